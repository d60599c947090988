// Starting the installers one after another, and what became of each.
#include <ctime>

#include "catalogue/installer_runs.h"
#include "catalogue/pending_updates.h"
#include "platform/calendar_time.h"
#include "support/clock.h"
#include "support/commands.h"
#include "support/desktop.h"
#include "support/log.h"
#include "support/settings.h"

namespace {

std::string TodayText() {
  const std::tm local = platform::LocalTime(CurrentTime());
  char text[16];
  std::strftime(text, sizeof text, "%d/%m/%Y", &local);
  return text;
}

std::string WaitingText(const std::string& command) {
  return "waiting for " + command + " to end";
}

// Windows installers say "done, once the machine restarts" with these
// (ERROR_SUCCESS_REBOOT_REQUIRED, ERROR_SUCCESS_REBOOT_INITIATED).
constexpr int kRestartRequired = 3010;
constexpr int kRestartInitiated = 1641;

}  // namespace

bool InstallOutcome::AsksRestart() const {
  return exitStatus == kRestartRequired || exitStatus == kRestartInitiated;
}

bool InstallOutcome::Succeeded() const {
  return exitStatus == 0 || AsksRestart();
}

void CUpdateDoc::AddOutcome(std::optional<int> exitStatus, std::string reason) {
  m_Outcomes.push_back({m_pInstallers->prepared.description, exitStatus, std::move(reason)});
}

bool CUpdateDoc::InstallerUnderWay() const {
  return m_pInstallers->running != nullptr || m_pInstallers->waiting.has_value();
}

void CUpdateDoc::StartOrQueueInstaller(const std::string& command) {
  if (m_pInstallers->running) {
    m_pInstallers->waiting = m_pInstallers->prepared;
    m_pInstallers->waiting->command = command;
    ShowWaiting();
    return;
  }
  Installers::Start start = m_pInstallers->prepared;
  start.command = command;
  StartInstaller(start);
}

void CUpdateDoc::StartInstaller(const InstallerStart& start) {
  if (m_Mode == WorkflowMode::Run)
    m_strStatus = start.command;
  Log("starting %s", start.command.c_str());
  std::string refusal;
  // The network "run" mode hands its installers the updater's handles, as
  // CreateProcess with inheritance does.
  const auto inheritance = m_Mode == WorkflowMode::Run ? platform::HandleInheritance::kInherited
                                                       : platform::HandleInheritance::kNone;
  m_pInstallers->running = platform::WatchedProgram::Start(
      start.command, [] { TheDesktop().PostCommand(cmd::kInstallerEnded); }, &refusal, inheritance);
  if (!m_pInstallers->running) {
    // The user would otherwise take the update for installed.
    const std::string message = refusal.empty() ? "could not start " + start.command : refusal;
    Log("%s", message.c_str());
    m_Outcomes.push_back({start.description, std::nullopt, message});
    TheDesktop().MessageBox(message);
    return;
  }
  m_pInstallers->runningCommand = start.command;
  m_pInstallers->runningStart = start;
  // Only an installer that really started counts as the update's date.
  const std::string dateKey = "update" + start.infoName;
  const std::string today = TodayText();
  RecordInstallerStarted(start.infoName, start.sha256, start.date, today);
  if (!WriteProfileString("internet", dateKey, today)) {
    // A catalogue can name any key; one the settings file refuses (control
    // characters, too long) is only logged, clipped, and the update goes on.
    Log("could not record the date of %s in the settings file", dateKey.substr(0, 80).c_str());
  }
  // Last: refreshing the progress dialog handles pending events, this
  // installer's end among them.
  if (m_Mode == WorkflowMode::Run)
    TheDesktop().UpdateAllViews(cmd::kHintProgress);
}

void CUpdateDoc::ShowWaiting() {
  // The view's timer shows it in the progress dialog at its next tick; views
  // are not refreshed from here, which may run inside a "Complete" that has
  // just asked the main window to close.
  m_strStatus = WaitingText(m_pInstallers->runningCommand);
  TheDesktop().SetMessageText(m_strStatus);
}

void CUpdateDoc::OnInstallerEnded() {
  if (!m_pInstallers->running)
    return;
  const auto status = m_pInstallers->running->ExitStatus();
  if (!status)
    return;  // a late post from an installer replaced since; nothing ended now
  Log("%s ended with status %d", m_pInstallers->runningCommand.c_str(), *status);
  m_pInstallers->running.reset();
  const InstallOutcome outcome{
      m_pInstallers->runningStart.description, platform::WindowsExitStatus(*status), {}};
  // An installer that failed has not brought the update: the item stays pending.
  if (!outcome.Succeeded())
    RecordInstallerFailed(m_pInstallers->runningStart.infoName);
  m_Outcomes.push_back(outcome);
  if (auto waiting = std::move(m_pInstallers->waiting)) {
    m_pInstallers->waiting.reset();
    StartInstaller(*waiting);
  }
  GoOnAfterInstaller();
}

void CUpdateDoc::GoOnAfterInstaller() {
  // The next download starts only when no installer waits for its turn.
  if (m_pInstallers->waiting)
    return;
  if (m_InstallQueue.empty() && !m_pInstallers->running && !m_pInstallers->completeToCome &&
      m_bInProgress) {
    m_bInProgress = false;
    EndOfWork();
  }
  if (m_InstallQueue.empty() && m_pInstallers->running && !m_pInstallers->completeToCome)
    ShowWaiting();
  if (!m_pInstallers->completeToCome)
    RunNextQueued();
}

void CUpdateDoc::EndOfWork() {
  m_bOutcomesClosed = true;
  if (!m_bTellsRestart)
    return;
  for (const InstallOutcome& outcome : m_Outcomes) {
    if (outcome.AsksRestart()) {
      Log("%s", kRestartMessage);
      TheDesktop().MessageBox(kRestartMessage);
      return;
    }
  }
}

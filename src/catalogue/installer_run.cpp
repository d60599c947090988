// Starting the installers one after another, and what became of each.
#include <ctime>

#include "catalogue/installer_runs.h"
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

}  // namespace

bool CUpdateDoc::InstallerUnderWay() const {
  return m_pInstallers->running != nullptr || m_pInstallers->waiting.has_value();
}

void CUpdateDoc::StartOrQueueInstaller(const std::string& command) {
  if (m_pInstallers->running) {
    m_pInstallers->waiting = Installers::Start{command, m_pInstallers->preparedInfoName};
    ShowWaiting();
    return;
  }
  StartInstaller(command, m_pInstallers->preparedInfoName);
}

void CUpdateDoc::StartInstaller(const std::string& command, const std::string& infoName) {
  const Installers::Start start{command, infoName};
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
    TheDesktop().MessageBox(message);
    return;
  }
  m_pInstallers->runningCommand = start.command;
  // Only an installer that really started counts as the update's date.
  const std::string dateKey = "update" + start.infoName;
  if (!WriteProfileString("internet", dateKey, TodayText())) {
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
  if (auto waiting = std::move(m_pInstallers->waiting)) {
    m_pInstallers->waiting.reset();
    StartInstaller(waiting->command, waiting->infoName);
  }
  GoOnAfterInstaller();
}

void CUpdateDoc::GoOnAfterInstaller() {
  // The next download starts only when no installer waits for its turn.
  if (m_pInstallers->waiting)
    return;
  if (m_InstallQueue.empty() && !m_pInstallers->running && !m_pInstallers->completeToCome)
    m_bInProgress = false;
  if (m_InstallQueue.empty() && m_pInstallers->running && !m_pInstallers->completeToCome)
    ShowWaiting();
  if (!m_pInstallers->completeToCome)
    RunNextQueued();
}

// Queued items, installers started one after another, and what became of each.
#include "catalogue/installer_queue.h"

#include <ctime>
#include <utility>

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

InstallerQueue::InstallerQueue() = default;
InstallerQueue::~InstallerQueue() = default;

void InstallerQueue::Add(CXMLVar* item, QueuePlace place) {
  switch (place) {
    case QueuePlace::Skip:
      break;
    case QueuePlace::Head:
      m_items.push_front(item);
      break;
    case QueuePlace::Tail:
      m_items.push_back(item);
      break;
  }
}

CXMLVar* InstallerQueue::TakeNext() {
  m_silent = true;
  if (m_items.empty())
    return nullptr;
  CXMLVar* next = m_items.front();
  m_items.pop_front();
  return next;
}

void InstallerQueue::Prepare(InstallerStart item) {
  m_prepared = std::move(item);
  m_completeToCome = true;
}

std::optional<InstallerStart> InstallerQueue::NowOrAfterRunning(const std::string& command) {
  InstallerStart start = m_prepared;
  start.command = command;
  if (!m_running)
    return start;
  m_waiting = std::move(start);
  return std::nullopt;
}

bool InstallerQueue::Start(const InstallerStart& start, platform::HandleInheritance inheritance) {
  Log("starting %s", start.command.c_str());
  std::string refusal;
  m_running = platform::WatchedProgram::Start(
      start.command, [] { TheDesktop().PostCommand(cmd::kInstallerEnded); }, &refusal, inheritance);
  if (!m_running) {
    // The user would otherwise take the update for installed.
    const std::string message = refusal.empty() ? "could not start " + start.command : refusal;
    Log("%s", message.c_str());
    m_outcomes.push_back({start.description, std::nullopt, message});
    TheDesktop().MessageBox(message);
    return false;
  }
  m_runningStart = start;
  // Only an installer that really started counts as the update's date.
  const std::string dateKey = "update" + start.infoName;
  const std::string today = TodayText();
  RecordInstallerStarted(start.infoName, start.sha256, start.date, today);
  if (!WriteProfileString("internet", dateKey, today)) {
    // A catalogue can name any key; one the settings file refuses (control
    // characters, too long) is only logged, clipped, and the update goes on.
    Log("could not record the date of %s in the settings file", dateKey.substr(0, 80).c_str());
  }
  return true;
}

bool InstallerQueue::OnEnded(std::optional<InstallerStart>& next) {
  next.reset();
  if (!m_running)
    return false;
  const auto status = m_running->ExitStatus();
  if (!status)
    return false;
  Log("%s ended with status %d", m_runningStart.command.c_str(), *status);
  m_running.reset();
  const InstallOutcome outcome{
      m_runningStart.description, platform::WindowsExitStatus(*status), {}};
  // An installer that failed has not brought the update: the item stays pending.
  if (!outcome.Succeeded())
    RecordInstallerFailed(m_runningStart.infoName);
  m_outcomes.push_back(outcome);
  next = std::move(m_waiting);
  m_waiting.reset();
  return true;
}

void InstallerQueue::BeginWork() {
  if (!m_outcomesClosed)
    return;
  m_outcomes.clear();
  m_outcomesClosed = false;
}

void InstallerQueue::AddOutcome(std::string reason) {
  m_outcomes.push_back({m_prepared.description, std::nullopt, std::move(reason)});
}

bool InstallerQueue::EndWork() {
  m_outcomesClosed = true;
  for (const InstallOutcome& outcome : m_outcomes) {
    if (outcome.AsksRestart())
      return true;
  }
  return false;
}

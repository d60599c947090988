#include "testkit/desktop_recorder.h"

#include <utility>

DesktopRecorder::DesktopRecorder() {
  SetDesktop(this);
}
DesktopRecorder::~DesktopRecorder() {
  SetDesktop(nullptr);
}

void DesktopRecorder::MessageBox(const std::string& text) {
  std::lock_guard lock(m_mutex);
  m_messages.push_back(text);
  m_events.push_back("message: " + text);
}

std::optional<Desktop::Credentials> DesktopRecorder::AskCredentials(const std::string& site) {
  std::lock_guard lock(m_mutex);
  m_prompts.push_back(site);
  if (m_credentials.empty())
    return std::nullopt;
  auto answer = m_credentials.front();
  m_credentials.pop_front();
  return answer;
}

void DesktopRecorder::PostCommand(int commandId) {
  std::lock_guard lock(m_mutex);
  m_posted.push_back(commandId);
}

// No test reads the status text; the call is taken and dropped.
void DesktopRecorder::SetMessageText(const std::string&) {}

void DesktopRecorder::OpenProgress() {
  std::lock_guard lock(m_mutex);
  ++m_progressOpened;
}

bool DesktopRecorder::RunSetupDialog(std::string& folder) {
  std::lock_guard lock(m_mutex);
  m_events.push_back("setup: " + folder);
  if (m_setupAnswers.empty())
    return false;
  auto answer = m_setupAnswers.front();
  m_setupAnswers.pop_front();
  if (!answer)
    return false;
  folder = *answer;
  return true;
}

void DesktopRecorder::OpenWithDefaultApplication(const std::string& windowsPath) {
  std::lock_guard lock(m_mutex);
  m_opened.push_back(windowsPath);
}

void DesktopRecorder::UpdateAllViews(int hint) {
  std::lock_guard lock(m_mutex);
  m_viewUpdates.push_back(hint);
}

void DesktopRecorder::QueueCredentials(std::optional<Credentials> answer) {
  std::lock_guard lock(m_mutex);
  m_credentials.push_back(std::move(answer));
}

void DesktopRecorder::QueueSetupAnswer(std::optional<std::string> folderOrCancel) {
  std::lock_guard lock(m_mutex);
  m_setupAnswers.push_back(std::move(folderOrCancel));
}

#define OSTREL_RECORDER_GETTER(type, name, member) \
  type DesktopRecorder::name() const {             \
    std::lock_guard lock(m_mutex);                 \
    return member;                                 \
  }
OSTREL_RECORDER_GETTER(std::vector<std::string>, Messages, m_messages)
OSTREL_RECORDER_GETTER(std::vector<std::string>, CredentialPrompts, m_prompts)
OSTREL_RECORDER_GETTER(std::vector<int>, PostedCommands, m_posted)
OSTREL_RECORDER_GETTER(std::vector<std::string>, OpenedFiles, m_opened)
OSTREL_RECORDER_GETTER(std::vector<int>, ViewUpdates, m_viewUpdates)
OSTREL_RECORDER_GETTER(int, ProgressOpened, m_progressOpened)
OSTREL_RECORDER_GETTER(std::vector<std::string>, Events, m_events)
#undef OSTREL_RECORDER_GETTER

std::vector<int> DesktopRecorder::TakePostedCommands() {
  std::lock_guard lock(m_mutex);
  return std::exchange(m_posted, {});
}

// Stands in for the user at the desktop: records every call, answers from a
// script. Installed as the process's Desktop for its lifetime. Thread-safe, so
// the download worker may call it while the test thread reads the record. A
// test may derive from it to look around when a call arrives.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "support/desktop.h"

class DesktopRecorder : public Desktop {
 public:
  DesktopRecorder();
  ~DesktopRecorder() override;

  void MessageBox(const std::string& text) override;
  std::optional<Credentials> AskCredentials(const std::string& site) override;
  void PostCommand(int commandId) override;
  void SetMessageText(const std::string& text) override;
  void OpenProgress() override;
  bool RunSetupDialog(std::string& folder) override;
  void OpenWithDefaultApplication(const std::string& windowsPath) override;
  void UpdateAllViews(int hint) override;

  // Scripted answers, used in order; without one, prompts are cancelled.
  void QueueCredentials(std::optional<Credentials> answer);
  void QueueSetupAnswer(std::optional<std::string> folderOrCancel);

  std::vector<std::string> Messages() const;
  std::vector<std::string> CredentialPrompts() const;
  std::vector<int> PostedCommands() const;
  std::vector<std::string> OpenedFiles() const;
  std::vector<int> ViewUpdates() const;
  int ProgressOpened() const;
  // Message boxes ("message: <text>") and setup dialogs ("setup: <folder>") in
  // the order the user met them.
  std::vector<std::string> Events() const;
  // Takes the posted commands, leaving none.
  std::vector<int> TakePostedCommands();

 private:
  mutable std::mutex m_mutex;
  std::vector<std::string> m_messages;
  std::vector<std::string> m_prompts;
  std::vector<int> m_posted;
  std::vector<std::string> m_opened;
  std::vector<int> m_viewUpdates;
  int m_progressOpened = 0;
  std::vector<std::string> m_events;
  std::deque<std::optional<Credentials>> m_credentials;
  std::deque<std::optional<std::string>> m_setupAnswers;
};

// The desktop as the wx application provides it to the core: message boxes,
// the credential prompt, commands posted to the main window, the setup and
// progress dialogs, opening files with their default application, and the
// views' updates.
//
// PostCommand may be called from any thread. MessageBox, AskCredentials and
// SignInWithSystemDialog may be called from the download worker: they are
// carried out on the UI thread while the worker waits. Everything else is for the UI thread.
#pragma once

#include <mutex>
#include <string>

#include "app/gui/ui_thread_call.h"
// Before the interface, whose member names <windows.h> would otherwise change.
#include "app/gui/windows_names.h"
#include "support/desktop.h"

class CMainFrame;

class WxDesktop final : public Desktop {
 public:
  void MessageBox(const std::string& text) override;
  std::optional<Credentials> AskCredentials(const std::string& site) override;
  // On Windows the system's own sign-in dialog, over the active window.
  std::optional<bool> SignInWithSystemDialog(
      const std::function<bool(void* window)>& showDialog) override;
  void PostCommand(int commandId) override;
  void SetMessageText(const std::string& text) override;
  void OpenProgress() override;
  bool RunSetupDialog(std::string& folder) override;
  void OpenWithDefaultApplication(const std::string& windowsPath) override;
  void UpdateAllViews(int hint) override;

  // The main window that commands go to; nullptr once it is going. UI thread.
  void AttachFrame(CMainFrame* frame);
  // `frame` is being deleted; commands no longer go to it. UI thread.
  void DetachFrame(CMainFrame* frame);
  // The main window is closing: calls from the worker are answered at once
  // (a message box counts as seen, a credential prompt as cancelled), so
  // that waiting for the worker cannot deadlock. UI thread.
  void StopServingWorker();

  // The frame's message line. The frame has no status bar, so the text is
  // only kept.
  const std::string& MessageText() const { return m_strMessageText; }

 private:
  void ShowMessageBox(const std::string& text);
  std::optional<Credentials> ShowCredentialPrompt(const std::string& site);

  std::mutex m_frameMutex;
  CMainFrame* m_pFrame = nullptr;
  std::string m_strMessageText;
  UiThreadCalls m_uiCalls;
};

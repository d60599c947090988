// The one door from the core to the desktop.
//
// The core never knows that a GUI exists: everything it needs from the user or
// the windows goes through this interface. The wx application implements it;
// tests implement it with a recorder that answers scripted replies; a headless
// run uses the console stand-in below.
//
// Threads: PostCommand may be called from any thread. MessageBox and
// AskCredentials may be called from the download worker too: the
// implementation shows them on the UI thread and makes the worker wait for the
// answer. Everything else is for the UI thread only.
#pragma once

#include <functional>
#include <optional>
#include <string>

class Desktop {
 public:
  struct Credentials {
    std::string user;
    std::string password;
  };

  virtual ~Desktop() = default;

  // A message box with only an OK button, no icon, the application's title as
  // caption. Returns once the user has closed it.
  virtual void MessageBox(const std::string& text) = 0;

  // The user name and password for a server that answered 401, or a proxy
  // that answered 407; nullopt when the user cancelled. `site` names the
  // server ("host:port") or the proxy ("the proxy host:port") for the prompt.
  virtual std::optional<Credentials> AskCredentials(const std::string& site) = 0;

  // Where the internet layer has a sign-in dialog of the system's own (the
  // Windows program), the desktop shows that one instead of AskCredentials:
  // it calls `showDialog` on the UI thread with the native handle of the
  // window the dialog belongs to (or null), and returns its answer (true:
  // signed in). nullopt: there is none here, ask with AskCredentials.
  virtual std::optional<bool> SignInWithSystemDialog(
      const std::function<bool(void* window)>& showDialog) {
    (void)showDialog;
    return std::nullopt;
  }

  // Queues a command (an id of support/commands.h) to the main window; it is
  // handled once the main window's queue is next read.
  virtual void PostCommand(int commandId) = 0;

  // The frame's message line.
  virtual void SetMessageText(const std::string& text) = 0;

  // Opens the modeless progress dialog over the main window, disabling it.
  virtual void OpenProgress() = 0;

  // Runs the setup dialog modally on `folder`; true (and the edited folder)
  // when the user pressed OK.
  virtual bool RunSetupDialog(std::string& folder) = 0;

  // Opens a file (a Windows path) with its default application; does not wait,
  // and a failure is not reported.
  virtual void OpenWithDefaultApplication(const std::string& windowsPath) = 0;

  // Tells the views that the document changed, with a hint number.
  virtual void UpdateAllViews(int hint) = 0;
};

// A desktop without windows: message boxes go to standard error, prompts are
// cancelled, and what only windows could show is dropped. Command-line tools
// derive from it to answer differently where a terminal can.
class ConsoleDesktop : public Desktop {
 public:
  void MessageBox(const std::string& text) override;
  std::optional<Credentials> AskCredentials(const std::string& site) override;
  void PostCommand(int) override {}
  void SetMessageText(const std::string&) override {}
  void OpenProgress() override {}
  bool RunSetupDialog(std::string&) override { return false; }
  void OpenWithDefaultApplication(const std::string&) override {}
  void UpdateAllViews(int) override {}
};

// The process's desktop. Until one is installed, a console stand-in is used:
// message boxes go to standard error, prompts are cancelled, commands dropped.
Desktop& TheDesktop();

// Installs `desktop` (not owned; it must outlive its use) or, with nullptr,
// the console stand-in again.
void SetDesktop(Desktop* desktop);

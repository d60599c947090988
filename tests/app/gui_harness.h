// Drives the real application in-process under a real X server: the wx
// framework is started once per test process with a CUpdateApp, and each test
// runs its start-up, waits on the event loop, and plays the user at the
// dialogs (ScriptedUser) the way a person would: reading a message box and
// pressing OK, filling in the Setup dialog, cancelling a file dialog.
#pragma once

#include <gtest/gtest.h>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "testkit/loopback_server.h"
#include "testkit/temp_prefix.h"

class CMainFrame;
class CUpdateApp;
class CUpdateView;
class wxDialog;
class wxTimer;
class wxWindow;

// True when an X display is there; gui tests skip themselves otherwise.
bool HaveDisplay();

// The process's application, started on first use; state that a new process
// would start afresh with (options, the automatic Install) is reset.
CUpdateApp& FreshApp();

// Runs the event loop until `done` holds (true) or `timeout` passes (false).
bool RunUntil(const std::function<bool()>& done,
              std::chrono::milliseconds timeout = std::chrono::seconds(20));
void RunFor(std::chrono::milliseconds duration);

// Closes the main window, if any, and waits until it is gone.
void CloseMainWindow(CUpdateApp& app);

// Saves a picture of `window` (with its children) as <name>.png in the
// build's screenshot folder; false when it could not.
bool SaveScreenshot(wxWindow* window, const std::string& name);

class ScriptedUser {
 public:
  ScriptedUser();
  ~ScriptedUser();

  // Answers for the Setup dialog, in order: a folder to confirm with OK, or
  // nullopt to cancel. Without one the dialog is cancelled.
  void QueueSetupAnswer(std::optional<std::string> folder);
  // Answers for the credential prompt, in order: a user name and password to
  // confirm with OK. Without one the prompt is cancelled.
  void QueueCredentials(std::string user, std::string password);
  // Called once for each modal dialog, after it has been shown a moment and
  // before the user answers it (screenshots, reading its texts).
  void OnDialog(std::function<void(wxDialog&)> look) { m_look = std::move(look); }

  // The texts of the message boxes the user has closed, in order.
  const std::vector<std::string>& Messages() const { return m_messages; }
  // Names of the other dialogs the user has answered ("133" Setup, "100"
  // About, "file" a file dialog, ...), in order. The desktop's own file
  // chooser is cancelled before it shows: under a bare X server it cannot
  // be driven.
  const std::vector<std::string>& Dialogs() const { return m_dialogs; }

 private:
  void Act();
  void Answer(wxDialog& dialog);

  class FileDialogHook;

  wxTimer* m_pTimer;
  std::unique_ptr<FileDialogHook> m_pFileDialogHook;
  wxDialog* m_pSeen = nullptr;
  bool m_bActing = false;
  int m_nTicksSeen = 0;
  std::vector<std::optional<std::string>> m_setupAnswers;
  std::vector<std::pair<std::string, std::string>> m_credentials;
  std::function<void(wxDialog&)> m_look;
  std::vector<std::string> m_messages;
  std::vector<std::string> m_dialogs;
};

// One catalogue item: its fields in order, (name, value) in Windows-1252.
using CatalogueItem = std::vector<std::pair<std::string, std::string>>;
std::string CatalogueXml(const std::vector<CatalogueItem>& items);

// A fresh prefix, a catalogue server on loopback that the updater is pointed
// at, the process's application and a user at its dialogs; the main window is
// closed again at the end.
class UpdaterGuiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Serves `items` as download.xml.
  void ServeCatalogue(const std::vector<CatalogueItem>& items);
  // A catalogue item whose installer, when started, appends its command line
  // to the marker file: name "<stem>.exe", information "<stem>.txt".
  CatalogueItem ScriptItem(const std::string& stem, const std::string& description);
  // The command lines that installers have started with, one a line.
  std::vector<std::string> StartedInstallers() const;

  // InitInstance with `arguments`; true when the main window is shown.
  bool Start(const std::vector<std::string>& arguments = {});
  CMainFrame* Frame() const;
  CUpdateView* View() const;
  std::string Label(int id) const;
  void Command(int commandId);

  TempPrefix prefix;
  std::unique_ptr<LoopbackServer> server;
  CUpdateApp* app = nullptr;
  std::unique_ptr<ScriptedUser> user;
  std::filesystem::path marker;
};

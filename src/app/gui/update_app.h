// The application object: the start-up, the one document, the main window,
// and the application's own commands (About, New, Open, Save, Print Setup)
// with the recent-file list they keep in the settings file.
//
// InitInstance is the start-up: the settings file is named, the command line
// read, the skin applied, the library-check mode handled; then the document,
// the main window and the view are made, the view's initial update loads the
// catalogue, and only then is the window shown. It returns false when the run
// ends without a window, StartupExitCode() then says how: 0 when the library
// check passed, non-zero for a failure. UI thread only.
#pragma once

#include <wx/app.h>
#include <wx/weakref.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/gui/main_frame.h"
#include "app/gui/wx_desktop.h"
#include "app/recent_files.h"
#include "app/startup.h"

class CUpdateDoc;

class CUpdateApp : public wxApp {
 public:
  CUpdateApp();
  ~CUpdateApp() override;

  // The framework's entry: InitInstance with the process's own arguments.
  bool OnInit() override;
  int OnExit() override;

  // `arguments` excludes the program name (Windows-1252).
  bool InitInstance(const std::vector<std::string>& arguments);
  int StartupExitCode() const { return m_nStartupExitCode; }

  // Replaces the skin and library check of the start-up (tests).
  void SetStartupServices(StartupServices services) { m_services = std::move(services); }

  // The application's commands; true when handled.
  bool OnCommand(int commandId);

  CMainFrame* MainFrame() const { return m_pFrame.get(); }
  CUpdateDoc* Document() const { return m_pDoc.get(); }
  WxDesktop& Desktop() { return m_desktop; }
  const RecentFileList& RecentFiles() const { return m_recentFiles; }
  const std::string& PathName() const { return m_strPathName; }

  // The framework's New, Open and Save, without their file dialogs (the
  // commands ask for the name, then come here). Open and Save name the
  // document after the file, keep its full path and put it first in the
  // recent-file list.
  void NewDocument();
  void OpenDocument(const std::string& path);
  void SaveDocumentAs(const std::string& path);

 private:
  void SetPathName(const std::string& path);
  bool ProcessShellCommand();
  void OnFileOpen();
  void OnFileSave();
  void OnMainFrameClosing();

  WxDesktop m_desktop;
  std::optional<StartupServices> m_services;
  std::unique_ptr<CUpdateDoc> m_pDoc;
  wxWeakRef<CMainFrame> m_pFrame;
  RecentFileList m_recentFiles;
  // The document's path: set by Open, Save and a path on the command line.
  std::string m_strPathName;
  int m_nStartupExitCode = kExitStartupFailed;
};

wxDECLARE_APP(CUpdateApp);

// The process's arguments as main() received them, before the framework saw
// them; set by main().
void SetProcessArguments(std::vector<std::string> arguments);

// Why this run must not start, in a message box instead of the start-up
// (Windows-1252); set by main() before the framework starts. Empty: none.
void SetStartupRefusal(std::string message);

// How the last start-up that ended without a window ended, once the
// application object is gone; nullopt when none did.
std::optional<int> EndedStartupExitCode();

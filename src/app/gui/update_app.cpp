#include "app/gui/update_app.h"

#include <wx/filedlg.h>

#include "app/application.h"
#include "app/document_file.h"
#include "app/gui/about_dlg.h"
#include "app/gui/printing.h"
#include "app/gui/resources.h"
#include "app/gui/toolkit_start.h"
#include "app/gui/update_view.h"
#include "app/gui/wx_text.h"
#include "app/option_keys.h"
#include "catalogue/update_doc.h"
#include "platform/codepage.h"
#include "platform/desktop_session.h"
#include "platform/host_path.h"
#include "support/commands.h"
#include "support/startup_trace.h"

namespace {

std::vector<std::string>& ProcessArguments() {
  static std::vector<std::string> arguments;
  return arguments;
}

std::optional<int> g_endedStartupExitCode;
std::string g_startupRefusal;

}  // namespace

void SetProcessArguments(std::vector<std::string> arguments) {
  ProcessArguments() = std::move(arguments);
}

void SetStartupRefusal(std::string message) {
  g_startupRefusal = std::move(message);
}

std::optional<int> EndedStartupExitCode() {
  return g_endedStartupExitCode;
}

CUpdateApp::CUpdateApp() {
  SetAppName("update");
  SetAppDisplayName(ToWx(LoadResourceString(kAppTitleStringId)));
}

CUpdateApp::~CUpdateApp() {
  SetDesktop(nullptr);
}

bool CUpdateApp::OnInit() {
  ToolkitStarted();
  TraceStartup("toolkit started");
  if (!g_startupRefusal.empty()) {
    SetDesktop(&m_desktop);
    m_desktop.MessageBox(g_startupRefusal);
    g_endedStartupExitCode = kExitRefused;
    return false;
  }
  // The toolkit has its connection now; a half-written installer must not
  // outlive it.
  platform::RemoveTemporariesWhenDisplayLost();
  // The base class's OnInit is not called: its command-line parser would
  // refuse the updater's own "/" flags.
  std::vector<std::string> arguments;
  for (const std::string& argument : ProcessArguments())
    arguments.push_back(platform::Utf8ToCp1252(argument));
  if (InitInstance(arguments))
    return true;
  g_endedStartupExitCode = m_nStartupExitCode;
  return false;
}

int CUpdateApp::OnExit() {
  // The main window has waited for any transfer; the document goes last.
  m_pDoc.reset();
  SetDesktop(nullptr);
  return wxApp::OnExit();
}

bool CUpdateApp::InitInstance(const std::vector<std::string>& arguments) {
  SetDesktop(&m_desktop);
  StartupServices services = m_services ? *m_services : DefaultStartupServices();
  services.initialiseFramework = [this] {
    LoadResources();
    m_recentFiles.Load();
  };
  if (PrepareStartup(arguments, services) == StartupOutcome::kLibrariesInOrder) {
    m_nStartupExitCode = kExitLibrariesInOrder;
    return false;
  }
  TraceStartup("options read");
  if (!ProcessShellCommand()) {
    m_nStartupExitCode = kExitStartupFailed;
    return false;
  }
  // The initial update may already have closed the window (the library-check
  // mode, once its installer has started, from inside a message box).
  if (!m_pFrame || m_pFrame->IsBeingDeleted()) {
    m_nStartupExitCode = kExitLibrariesInOrder;
    return false;
  }
  m_pFrame->Show();
  m_pFrame->Update();
  TraceStartup("window shown");
  return true;
}

bool CUpdateApp::ProcessShellCommand() {
  m_pDoc = std::make_unique<CUpdateDoc>();
  m_pDoc->SetClosesAfterFirstInstaller(TheOptions().IsTrue(option::kLibraryCheck));
  CMainFrame::Hooks hooks;
  hooks.applicationCommand = [this](int commandId) { return OnCommand(commandId); };
  hooks.closing = [this] { OnMainFrameClosing(); };
  hooks.destroyed = [this](CMainFrame* gone) { m_desktop.DetachFrame(gone); };
  auto* frame = new CMainFrame(*m_pDoc, std::move(hooks));
  if (!frame->Create()) {
    frame->Destroy();
    return false;
  }
  TraceStartup("main window made");
  m_pFrame = frame;
  SetTopWindow(frame);
  m_desktop.AttachFrame(frame);

  // A plain argument names the document to open; opening reads nothing, and
  // the catalogue then titles the document, so the recent-file list is its
  // only trace.
  if (!TheCommandLine().m_strFileName.empty())
    SetPathName(TheCommandLine().m_strFileName);
  frame->View()->OnInitialUpdate();
  if (m_pFrame)
    m_pFrame->RefreshTitle();
  return true;
}

bool CUpdateApp::OnCommand(int commandId) {
  switch (commandId) {
    case cmd::kAppAbout:
      CAboutDlg().DoModal();
      return true;
    case cmd::kFileNew:
      NewDocument();
      return true;
    case cmd::kFileOpen:
      OnFileOpen();
      return true;
    case cmd::kFileSave:
      OnFileSave();
      return true;
    case cmd::kFilePrintSetup:
      RunPrintSetup(m_pFrame.get());
      return true;
    default:
      return false;
  }
}

void CUpdateApp::NewDocument() {
  if (!m_pFrame)
    return;
  m_strPathName.clear();
  m_pFrame->View()->OnInitialUpdate();
}

void CUpdateApp::OpenDocument(const std::string& path) {
  if (!m_pFrame)
    return;
  SetPathName(path);
  m_pFrame->View()->OnInitialUpdate();
  if (m_pFrame)
    m_pFrame->RefreshTitle();
}

void CUpdateApp::SaveDocumentAs(const std::string& path) {
  // Saving writes nothing: the document has no file form.
  SetPathName(path);
}

void CUpdateApp::SetPathName(const std::string& path) {
  m_strPathName = platform::FullPathName(path);
  m_recentFiles.Add(m_strPathName);
  if (m_pDoc)
    m_pDoc->SetTitle(DocumentTitleOf(m_strPathName));
  if (m_pFrame)
    m_pFrame->RefreshTitle();
}

void CUpdateApp::OnFileOpen() {
  wxFileDialog dialog(m_pFrame.get(), "Open", wxString(), wxString(), "All Files (*.*)|*",
                      wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  if (dialog.ShowModal() == wxID_OK)
    OpenDocument(FromWx(dialog.GetPath()));
}

void CUpdateApp::OnFileSave() {
  if (!SaveAsksForName(m_strPathName))
    return;
  const wxString name = m_pDoc ? ToWx(m_pDoc->GetTitle()) : wxString();
  wxFileDialog dialog(m_pFrame.get(), "Save As", wxString(), name, "All Files (*.*)|*",
                      wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
  if (dialog.ShowModal() == wxID_OK)
    SaveDocumentAs(FromWx(dialog.GetPath()));
}

void CUpdateApp::OnMainFrameClosing() {
  m_desktop.StopServingWorker();
  if (m_pDoc)
    m_pDoc->AbandonTransfer();
  m_desktop.AttachFrame(nullptr);
}

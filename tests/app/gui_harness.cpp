#include "gui_harness.h"

#include <gtest/gtest.h>
// The credential dialog's header needs the text control's.
#include <wx/textctrl.h>

#include <wx/creddlg.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/evtloop.h>
#include <wx/filedlg.h>
#include <wx/modalhook.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/application.h"
#include "app/gui/main_frame.h"
#include "app/gui/message_box.h"
#include "app/gui/toolkit_suppressions.h"
#include "app/gui/update_app.h"
#include "app/gui/update_view.h"
#include "app/update_view_logic.h"
#include "brand/skin.h"
#include "platform/http.h"
#include "support/commands.h"
#include "testkit/host.h"

extern "C" const char* __tsan_default_suppressions() {
  return kToolkitThreadSuppressions;
}

bool HaveDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0';
}

CUpdateApp& FreshApp() {
  // The workflow makes the download folder the current one; each test starts
  // from where the process began, which outlives every test's prefix.
  static const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(home);
  static CUpdateApp* app = [] {
    platform::InitialiseHttp();
    auto* instance = new CUpdateApp;
    wxApp::SetInstance(instance);
    static int argc = 1;
    static char name[] = "app_gui_tests";
    static char* argv[] = {name, nullptr};
    if (!wxEntryStart(argc, argv))
      std::abort();
    // A failed assertion of the toolkit fails the test instead of waiting for
    // someone to answer its dialog.
    wxSetAssertHandler([](const wxString& file, int line, const wxString& function,
                          const wxString& condition, const wxString& message) {
      ADD_FAILURE_AT(file.utf8_str(), line) << "wx assertion " << condition.utf8_str() << " in "
                                            << function.utf8_str() << ": " << message.utf8_str();
    });
    return instance;
  }();
  ResetCommandLine();
  ResetAutomaticInstall();
  return *app;
}

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  if (done())
    return true;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  wxGUIEventLoop loop;
  bool reached = false;
  wxTimer check;
  check.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    // While a modal dialog runs its own loop above ours, wait for it.
    if (wxEventLoopBase::GetActive() != &loop)
      return;
    reached = done();
    if (reached || std::chrono::steady_clock::now() > deadline)
      loop.Exit();
  });
  check.Start(10);
  loop.Run();
  return reached;
}

void RunFor(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  RunUntil([&] { return std::chrono::steady_clock::now() >= end; }, duration * 2);
}

void CloseMainWindow(CUpdateApp& app) {
  if (CMainFrame* frame = app.MainFrame())
    frame->Close();
  RunUntil([&] { return app.MainFrame() == nullptr; });
}

bool SaveScreenshot(wxWindow* window, const std::string& name) {
  if (window == nullptr)
    return false;
  window->Raise();
  window->Update();
  RunFor(std::chrono::milliseconds(300));
  const wxRect area = window->GetScreenRect();
  wxBitmap picture(area.width, area.height);
  {
    wxMemoryDC memory(picture);
    wxScreenDC screen;
    memory.Blit(0, 0, area.width, area.height, &screen, area.x, area.y);
  }
  const std::filesystem::path folder = OSTREL_SCREENSHOT_DIR;
  std::filesystem::create_directories(folder);
  return picture.SaveFile((folder / (name + ".png")).string(), wxBITMAP_TYPE_PNG);
}

class ScriptedUser::FileDialogHook : public wxModalDialogHook {
 public:
  explicit FileDialogHook(std::vector<std::string>& dialogs) : m_dialogs(dialogs) { Register(); }

 protected:
  int Enter(wxDialog* dialog) override {
    if (dynamic_cast<wxFileDialog*>(dialog) == nullptr)
      return wxID_NONE;
    m_dialogs.push_back("file");
    return wxID_CANCEL;
  }

 private:
  std::vector<std::string>& m_dialogs;
};

ScriptedUser::ScriptedUser()
    : m_pTimer(new wxTimer), m_pFileDialogHook(std::make_unique<FileDialogHook>(m_dialogs)) {
  m_pTimer->Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Act(); });
  m_pTimer->Start(20);
}

ScriptedUser::~ScriptedUser() {
  m_pTimer->Stop();
  delete m_pTimer;
}

void ScriptedUser::QueueSetupAnswer(std::optional<std::string> folder) {
  m_setupAnswers.push_back(std::move(folder));
}

void ScriptedUser::QueueCredentials(std::string user, std::string password) {
  m_credentials.emplace_back(std::move(user), std::move(password));
}

void ScriptedUser::Act() {
  // A look (a screenshot) runs the event loop, and with it this timer.
  if (m_bActing)
    return;
  m_bActing = true;
  struct Done {
    bool& acting;
    ~Done() { acting = false; }
  } done{m_bActing};
  wxDialog* modal = nullptr;
  for (wxWindow* window : wxTopLevelWindows) {
    auto* dialog = dynamic_cast<wxDialog*>(window);
    if (dialog != nullptr && dialog->IsModal() && dialog->IsShown())
      modal = dialog;
  }
  if (modal == nullptr)
    return;
  if (modal != m_pSeen) {
    m_pSeen = modal;
    m_nTicksSeen = 0;
  }
  // A person needs a moment to read; so does a screenshot to be painted.
  if (++m_nTicksSeen < 5)
    return;
  if (m_look)
    m_look(*modal);
  Answer(*modal);
  m_pSeen = nullptr;
}

void ScriptedUser::Answer(wxDialog& dialog) {
  if (auto* message = dynamic_cast<CMessageBox*>(&dialog)) {
    m_messages.push_back(std::string(message->Text().utf8_str()));
    dialog.EndModal(wxID_OK);
    return;
  }
  if (dynamic_cast<wxCredentialEntryDialog*>(&dialog) != nullptr) {
    m_dialogs.push_back("credentials");
    if (m_credentials.empty()) {
      dialog.EndModal(wxID_CANCEL);
      return;
    }
    // The user name first, then the password, as the prompt lays them out.
    std::vector<wxTextCtrl*> fields;
    for (wxWindow* child : dialog.GetChildren())
      if (auto* field = dynamic_cast<wxTextCtrl*>(child))
        fields.push_back(field);
    const auto [name, password] = m_credentials.front();
    m_credentials.erase(m_credentials.begin());
    if (fields.size() == 2) {
      fields[0]->SetValue(wxString::FromUTF8(name));
      fields[1]->SetValue(wxString::FromUTF8(password));
    }
    dialog.EndModal(wxID_OK);
    return;
  }
  const std::string name(dialog.GetName().utf8_str());
  m_dialogs.push_back(name);
  if (name == "133" && !m_setupAnswers.empty()) {
    const auto answer = m_setupAnswers.front();
    m_setupAnswers.erase(m_setupAnswers.begin());
    if (answer) {
      wxStaticCast(dialog.FindWindow(cmd::kInstallersFolder), wxTextCtrl)
          ->SetValue(wxString::FromUTF8(*answer));
      dialog.EndModal(cmd::kDialogOk);
      return;
    }
  }
  dialog.EndModal(name == "100" ? cmd::kDialogOk : cmd::kDialogCancel);
}

std::string CatalogueXml(const std::vector<CatalogueItem>& items) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<Catalogue>\r\n<Downloads>\r\n";
  for (const auto& item : items) {
    xml += "<Item>";
    for (const auto& [name, value] : item)
      xml += "<" + name + ">" + value + "</" + name + ">";
    xml += "</Item>\r\n";
  }
  return xml + "</Downloads>\r\n</Catalogue>\r\n";
}

void UpdaterGuiTest::SetUp() {
  if (!HaveDisplay())
    GTEST_SKIP() << "no display";
  server = std::make_unique<LoopbackServer>();
  SetEnvironment("OSTREL_CATALOGUE_URL", server->BaseUrl().c_str());
  SetEnvironment("OSTREL_RESELLER_CATALOGUE_URL", server->BaseUrl().c_str());
  marker = prefix.Root() / "started.txt";
  ForgetSkin();
  app = &FreshApp();
  user = std::make_unique<ScriptedUser>();
}

void UpdaterGuiTest::TearDown() {
  if (app == nullptr)
    return;  // skipped: no display
  CloseMainWindow(*app);
  FreshApp();
  user.reset();
  ForgetSkin();
  UnsetEnvironment("OSTREL_CATALOGUE_URL");
  UnsetEnvironment("OSTREL_RESELLER_CATALOGUE_URL");
}

void UpdaterGuiTest::ServeCatalogue(const std::vector<CatalogueItem>& items) {
  server->AddFile("download.xml", CatalogueXml(items));
}

CatalogueItem UpdaterGuiTest::ScriptItem(const std::string& stem, const std::string& description) {
  const std::string script =
      "#!/bin/sh\necho \"$(basename \"$0\") $*\" >> '" + marker.string() + "'\n";
  server->AddFile(stem + ".exe", script);
  server->AddFile(stem + ".txt", "About " + description + "\r\n");
  return {{"Description", description},
          {"href", server->Url(stem + ".exe")},
          {"Size", std::to_string(script.size() / 1024 + 1)},
          {"Version", "1.0"},
          {"Product", "Ostrel"},
          {"Info", stem + ".txt"}};
}

std::vector<std::string> UpdaterGuiTest::StartedInstallers() const {
  std::vector<std::string> lines;
  std::ifstream in(marker);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

bool UpdaterGuiTest::Start(const std::vector<std::string>& arguments) {
  return app->InitInstance(arguments);
}

CMainFrame* UpdaterGuiTest::Frame() const {
  return app->MainFrame();
}

CUpdateView* UpdaterGuiTest::View() const {
  return Frame() != nullptr ? Frame()->View() : nullptr;
}

std::string UpdaterGuiTest::Label(int id) const {
  return std::string(View()->FindWindow(id)->GetLabel().utf8_str());
}

void UpdaterGuiTest::Command(int commandId) {
  Frame()->RouteCommand(commandId);
}

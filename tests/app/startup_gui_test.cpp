#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wx/listctrl.h>

#include "app/application.h"
#include "app/gui/main_frame.h"
#include "app/gui/update_app.h"
#include "app/gui/update_view.h"
#include "app/startup.h"
#include "brand/brand_text.h"
#include "brand/skin.h"
#include "gui_harness.h"
#include "support/commands.h"
#include "support/settings.h"
#include "testkit/child_process.h"
#include "testkit/host.h"

namespace {

class StartupGui : public UpdaterGuiTest {
 protected:
  wxListCtrl* List() const { return View()->List(); }
  std::string Cell(int row, int column) const {
    return std::string(List()->GetItemText(row, column).utf8_str());
  }
  int SelectedRow() const {
    return int(List()->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
  }
};

}  // namespace

TEST_F(StartupGui, WithoutOptionsTheListIsFilledBeforeTheWindowIsShown) {
  ServeCatalogue({ScriptItem("accounts", "Accounts \xa3 update"), ScriptItem("payroll", "Payroll"),
                  ScriptItem("vat", "VAT \x80 returns")});
  ASSERT_TRUE(Start());
  ASSERT_NE(Frame(), nullptr);
  EXPECT_TRUE(Frame()->IsShown());
  EXPECT_EQ(Frame()->GetTitle(), "Ostrel - update");
  EXPECT_EQ(Frame()->GetStatusBar(), nullptr);
  EXPECT_EQ(Frame()->GetToolBar(), nullptr);

  ASSERT_EQ(List()->GetItemCount(), 3);
  EXPECT_TRUE(List()->HasFlag(wxLC_REPORT));
  EXPECT_TRUE(List()->HasFlag(wxLC_SINGLE_SEL));
  EXPECT_EQ(Cell(0, 0), "Accounts \xc2\xa3 update");
  EXPECT_EQ(Cell(2, 0), "VAT \xe2\x82\xac returns");
  EXPECT_EQ(Cell(1, 5), "payroll.txt");
  EXPECT_EQ(SelectedRow(), -1);

  const int w = View()->ListView().ClientWidth();
  ASSERT_EQ(List()->GetColumnCount(), 6);
  const int expected[] = {w / 2, 0, w / 8, w / 8, w / 4, 0};
  for (int column = 0; column < 6; ++column)
    EXPECT_EQ(List()->GetColumnWidth(column), expected[column]) << "column " << column;

  // Until a transfer, the timer shows no kilobytes and 0 %.
  RunFor(std::chrono::milliseconds(1300));
  EXPECT_EQ(Label(cmd::kKilobytesLabel), "");
  EXPECT_EQ(Label(cmd::kPercentLabel), "0 %");
  EXPECT_TRUE(user->Messages().empty());
  SaveScreenshot(Frame(), "main-window");
}

TEST_F(StartupGui, TheFormScrollsOnlyWhenItsWindowIsSmallerThanIt) {
  ServeCatalogue({ScriptItem("accounts", "Accounts")});
  ASSERT_TRUE(Start());
  CUpdateView* view = View();
  view->Scroll(3, 10);
  EXPECT_EQ(view->GetViewStart(), wxPoint(0, 0));
  Frame()->SetClientSize(view->FormSize() / 2);
  RunFor(std::chrono::milliseconds(200));
  view->Scroll(3, 10);
  EXPECT_EQ(view->GetViewStart(), wxPoint(3, 10));
}

TEST_F(StartupGui, TheSkinIsAppliedBeforeTheCatalogueIsLoaded) {
  // The reseller's catalogue is the only one that answers.
  SetEnvironment("OSTREL_CATALOGUE_URL",
                 ("http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/").c_str());
  ServeCatalogue({ScriptItem("accounts", "Accounts"), ScriptItem("cis", "CIS returns")});
  ASSERT_TRUE(Start({"/s", "Corbain"}));
  EXPECT_EQ(GetSkin(), "Corbain");
  std::string title = "Ostrel";
  BrandText(title);
  EXPECT_EQ(Frame()->GetTitle(), wxString::FromUTF8(title + " - update"));
  ASSERT_EQ(List()->GetItemCount(), 1);
  EXPECT_EQ(Cell(0, 0), "Accounts");
}

TEST_F(StartupGui, SelPreselectsTheLaterOfTwoMatchingItems) {
  auto first = ScriptItem("dll", "Libraries");
  auto second = ScriptItem("dll2", "Libraries again");
  second.back().second = "DLL.TXT";
  ServeCatalogue({ScriptItem("accounts", "Accounts"), first, ScriptItem("vat", "VAT"), second});
  ASSERT_TRUE(Start({"-sel:Dll"}));
  EXPECT_EQ(SelectedRow(), 3);
  EXPECT_EQ(List()->GetItemState(3, wxLIST_STATE_FOCUSED), wxLIST_STATE_FOCUSED);
  EXPECT_TRUE(StartedInstallers().empty());
}

TEST_F(StartupGui, AllInstallsEveryQueuedItemSilentlyLibrariesFirst) {
  ServeCatalogue({ScriptItem("accounts", "Accounts"), ScriptItem("vista", "Vista support"),
                  ScriptItem("dll", "Libraries"), ScriptItem("payroll", "Payroll")});
  ASSERT_TRUE(Start({"/ALL"}));
  ASSERT_TRUE(RunUntil([&] { return StartedInstallers().size() == 3; }));
  EXPECT_EQ(StartedInstallers(),
            (std::vector<std::string>{"dll.exe /S", "accounts.exe /S", "payroll.exe /S"}));
  EXPECT_TRUE(RunUntil([&] { return !View()->Progress().HasWindow(); }));
  EXPECT_TRUE(Frame()->IsEnabled());
}

TEST_F(StartupGui, RunInstallsFromTheNetworkFolderWaitingForEach) {
  ServeCatalogue({ScriptItem("accounts", "Accounts"), ScriptItem("payroll", "Payroll")});
  WriteProfileString("paths", "installers", "c:\\installers");
  for (const char* name : {"accounts.exe", "payroll.exe"})
    prefix.WriteFile(std::string("c:\\installers\\") + name,
                     "#!/bin/sh\necho \"$(basename \"$0\") $*\" >> '" + marker.string() + "'\n");
  ASSERT_TRUE(Start({"/RUN"}));
  // Each "Complete" is posted; the installers run one after the other once
  // the window's events flow.
  ASSERT_TRUE(RunUntil([&] { return StartedInstallers().size() == 2; }));
  EXPECT_EQ(StartedInstallers(), (std::vector<std::string>{"accounts.exe /S", "payroll.exe /S"}));
  EXPECT_EQ(user->Messages(), std::vector<std::string>{"installing from c:\\installers"});
}

TEST_F(StartupGui, TheLibraryCheckPassingEndsTheRunWithoutAWindow) {
  EXPECT_FALSE(Start({"/dllcheck"}));
  EXPECT_EQ(app->StartupExitCode(), kExitLibrariesInOrder);
  EXPECT_EQ(Frame(), nullptr);
  EXPECT_TRUE(user->Messages().empty());
  EXPECT_TRUE(server->Requests().empty());
}

TEST_F(StartupGui, TheProgramEndsAtOnceWithStatusZeroWhenTheLibrariesAreInOrder) {
  EXPECT_EQ(ChildProcess(OSTREL_UPDATE_BINARY, {"/DLLCHECK"}).Wait(), 0);
  EXPECT_TRUE(server->Requests().empty());
  EXPECT_NE(prefix.LogText().find("about to CheckDlls()"), std::string::npos);
}

TEST_F(StartupGui, WithoutAnyHomeFolderTheProgramRefusesToStart) {
  // Only root can become a user that the password database doesn't know.
  constexpr uid_t kUnknownUser = 64999;
  if (getuid() != 0 || getpwuid(kUnknownUser) != nullptr)
    GTEST_SKIP() << "needs root and an unused user id";
  // That user runs a copy in memory: the build folder may lie where only
  // its owner can reach it.
  const int program = memfd_create("ostrel-update", MFD_CLOEXEC);
  ASSERT_GE(program, 0);
  const std::string bytes = ReadHostFile(OSTREL_UPDATE_BINARY);
  ASSERT_EQ(write(program, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ChildProcess::Options options;
  options.unset = {"HOME"};
  options.errors = prefix.Root() / "stderr.txt";
  ChildProcess updater = ChildProcess::Fork(
      [program] {
        if (setgroups(0, nullptr) != 0 || setgid(kUnknownUser) != 0 || setuid(kUnknownUser) != 0)
          return 99;
        char name[] = "ostrel-update";
        char* const argv[] = {name, nullptr};
        fexecve(program, argv, environ);
        return 98;
      },
      options);
  close(program);
  EXPECT_EQ(updater.Wait(), 1);
  const std::string text = ReadHostFile(options.errors);
  EXPECT_NE(text.find("no home folder"), std::string::npos) << text;
}

TEST_F(StartupGui, WhatCannotBeMadeSafeEndsTheRunBeforeItTouchesAnything) {
  const auto lock = prefix.Root() / "ostrel-update.lock";
  // A login script's library check: stderr is all it has.
  ChildProcess::Options windowless;
  windowless.unset = {"DISPLAY", "WAYLAND_DISPLAY"};
  windowless.errors = prefix.Root() / "stderr.txt";
  for (const bool lockIsAFolder : {true, false}) {
    if (lockIsAFolder)
      std::filesystem::create_directory(lock);
    else
      windowless.environment = {"OSTREL_RESELLER_CATALOGUE_URL= http://h/"};
    EXPECT_EQ(ChildProcess(OSTREL_UPDATE_BINARY, {"/DLLCHECK"}, windowless).Wait(), kExitRefused);
    EXPECT_EQ(ReadHostFile(windowless.errors),
              "ostrel-update will not start: " +
                  (lockIsAFolder
                       ? "it cannot make sure that it is the only updater in " +
                             prefix.Root().string() + ", because its lock file " + lock.string() +
                             " cannot be used (it is a folder). Nothing was changed.\n"
                       : std::string("OSTREL_RESELLER_CATALOGUE_URL is set to \" http://h/\", "
                                     "which cannot be used: it holds a blank or another character "
                                     "that a URL cannot hold. Set it to an http:// or https:// "
                                     "URL ending in /, or unset it.\n")));
    EXPECT_FALSE(std::filesystem::exists(prefix.Host("c:\\temp\\log.txt")));
    EXPECT_EQ(std::filesystem::exists(lock), lockIsAFolder);
    std::filesystem::remove(lock);
  }
}

TEST_F(StartupGui, WithADisplayTheReasonForNotStartingIsShownInAMessageBox) {
  SetStartupRefusal("ostrel-update will not start: because.");
  const bool started = app->OnInit();
  SetStartupRefusal("");
  EXPECT_FALSE(started);
  EXPECT_EQ(user->Messages(), std::vector<std::string>{"ostrel-update will not start: because."});
  EXPECT_EQ(EndedStartupExitCode(), kExitRefused);
  EXPECT_EQ(Frame(), nullptr);
}

namespace {

struct WindowlessCase {
  bool libraryMissing;
  int status;
  const char* logged;  // the last line of the log
  const char* said;    // on stderr
};

void PrintTo(const WindowlessCase& c, std::ostream* out) {
  *out << (c.libraryMissing ? "a_library_missing" : "libraries_in_order");
}

class WindowlessLibraryCheck : public StartupGui,
                               public ::testing::WithParamInterface<WindowlessCase> {};

}  // namespace

TEST_P(WindowlessLibraryCheck, ChecksFirstAndNeedsADisplayOnlyToInstall) {
  const WindowlessCase& c = GetParam();
  if (c.libraryMissing)
    prefix.WriteFile(
        "c:\\ostrel\\dllversion.txt",
        "<Files><File path=\"c:\\ostrel\\missing.dll\" mtime=\"01/01/2020\"/></Files>");
  ChildProcess::Options windowless;
  windowless.unset = {"DISPLAY", "WAYLAND_DISPLAY"};
  const auto said = prefix.Root() / "stderr.txt";
  windowless.errors = said;
  EXPECT_EQ(ChildProcess(OSTREL_UPDATE_BINARY, {"/DLLCHECK"}, windowless).Wait(), c.status);
  const std::string log = prefix.LogText();
  const auto parsing = log.find(": parsing command line\r\n");
  ASSERT_NE(parsing, std::string::npos);
  EXPECT_LT(parsing, log.find(": about to CheckDlls()\r\n"));
  EXPECT_TRUE(log.ends_with(": " + std::string(c.logged) + "\r\n")) << log;
  EXPECT_EQ(ReadHostFile(said), c.said);
  EXPECT_TRUE(server->Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    WithoutADisplay, WindowlessLibraryCheck,
    ::testing::Values(WindowlessCase{false, 0, "about to CheckDlls()", ""},
                      WindowlessCase{true, 1, kLibraryUpdateNeedsDisplayMessage,
                                     "The supporting libraries on this machine are missing or "
                                     "out of date; a display is needed to install their "
                                     "update.\n"}));

TEST_F(StartupGui, MissingLibrariesAreInstalledAndTheWindowClosesOnceTheInstallerStarted) {
  prefix.WriteFile("c:\\ostrel\\dllversion.txt",
                   "<Files><File path=\"c:\\ostrel\\missing.dll\" mtime=\"01/01/2020\"/></Files>");
  ServeCatalogue({ScriptItem("accounts", "Accounts"), ScriptItem("dll", "Libraries")});
  ASSERT_TRUE(Start({"/DLLCHECK", "/SEL:abc"}));
  EXPECT_EQ(TheOptions().Get("sel"), "dll");
  ASSERT_TRUE(RunUntil([&] { return Frame() == nullptr; }));
  EXPECT_EQ(user->Messages(), std::vector<std::string>{kLibrariesMissingMessage});
  EXPECT_TRUE(RunUntil([&] { return !StartedInstallers().empty(); }));
  EXPECT_EQ(StartedInstallers(), std::vector<std::string>{"dll.exe "});
}

TEST_F(StartupGui, WithoutACatalogueTheListStaysEmptyAndTheUserIsToldOnce) {
  SetEnvironment("OSTREL_CATALOGUE_URL",
                 ("http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/").c_str());
  ASSERT_TRUE(Start({"/sel:dll"}));
  EXPECT_EQ(List()->GetItemCount(), 0);
  EXPECT_EQ(user->Messages().size(), 1u);
}

#include <gtest/gtest.h>
#include <signal.h>
#include <wx/listctrl.h>
#include <filesystem>

#include "app/gui/main_frame.h"
#include "app/gui/update_app.h"
#include "app/gui/update_view.h"
#include "app/update_view_logic.h"
#include "catalogue/update_doc.h"
#include "gui_harness.h"
#include "support/commands.h"
#include "testkit/child_process.h"

namespace {

class InstallGui : public UpdaterGuiTest {
 protected:
  void Select(int row) {
    View()->List()->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                 wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
  }
  bool ProgressOpen() const { return View()->Progress().HasWindow(); }

  // An item whose installer arrives a byte at a time, for about `seconds`.
  CatalogueItem SlowItem(int kilobytes, double everySeconds) {
    return {{"Description", "Slow \xa3 update"},
            {"href", server->Url("-/trickle/" + std::to_string(kilobytes * 1024) +
                                 "?every=" + std::to_string(everySeconds))},
            {"Size", std::to_string(kilobytes)},
            {"Version", "2.0"},
            {"Product", "Ostrel"},
            {"Info", "slow.txt"}};
  }
};

}  // namespace

TEST_F(InstallGui, InstallOrInformationWithNothingSelectedAsksForAChoice) {
  ServeCatalogue({ScriptItem("accounts", "Accounts")});
  ASSERT_TRUE(Start());
  user->OnDialog([](wxDialog& dialog) { SaveScreenshot(&dialog, "message-box"); });
  Command(cmd::kInstall);
  Command(cmd::kInformation);
  EXPECT_EQ(user->Messages(), (std::vector<std::string>{kChooseItemMessage, kChooseItemMessage}));
  EXPECT_FALSE(ProgressOpen());
  EXPECT_TRUE(StartedInstallers().empty());
}

TEST_F(InstallGui, InstallDownloadsAndStartsTheSelectedInstallerUnderTheProgressDialog) {
  ServeCatalogue({ScriptItem("accounts", "Accounts"), ScriptItem("payroll", "Payroll")});
  ASSERT_TRUE(Start());
  Select(1);
  Command(cmd::kInstall);
  EXPECT_TRUE(ProgressOpen());
  EXPECT_FALSE(Frame()->IsEnabled());
  ASSERT_TRUE(RunUntil([&] { return !StartedInstallers().empty(); }));
  EXPECT_EQ(StartedInstallers(), std::vector<std::string>{"payroll.exe "});
  ASSERT_TRUE(RunUntil([&] { return !ProgressOpen(); }));
  EXPECT_TRUE(Frame()->IsEnabled());
  EXPECT_TRUE(user->Messages().empty());

  // From the first completion on, installers run silently.
  Select(0);
  Command(cmd::kInstall);
  ASSERT_TRUE(RunUntil([&] { return StartedInstallers().size() == 2; }));
  EXPECT_EQ(StartedInstallers().back(), "accounts.exe /S");
}

TEST_F(InstallGui, TheLabelsAndTheDialogFollowTheTransfer) {
  ServeCatalogue({SlowItem(3, 0.001), ScriptItem("accounts", "Accounts")});
  ASSERT_TRUE(Start());
  Select(0);
  Command(cmd::kInstall);
  ASSERT_TRUE(ProgressOpen());
  ASSERT_TRUE(RunUntil([&] { return Label(cmd::kKilobytesLabel) == "1 KB"; }));
  EXPECT_EQ(Label(cmd::kPercentLabel), "33 %");
  wxDialog* dialog = View()->Progress().Window();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->GetTitle(), wxString::FromUTF8("Slow \xc2\xa3 update..."));
  EXPECT_EQ(dialog->FindWindow(1004)->GetLabel(), "33%");
  SaveScreenshot(dialog, "progress-dialog-transfer");
  EXPECT_FALSE(Frame()->IsEnabled());

  ASSERT_TRUE(RunUntil([&] { return !ProgressOpen(); }));
  EXPECT_EQ(Label(cmd::kKilobytesLabel), "3 KB");
  EXPECT_EQ(Label(cmd::kPercentLabel), "100 %");
  EXPECT_TRUE(Frame()->IsEnabled());
}

TEST_F(InstallGui, ASecondInstallWhileOneRunsIsRefused) {
  ServeCatalogue({SlowItem(2, 0.001), ScriptItem("accounts", "Accounts")});
  ASSERT_TRUE(Start());
  Select(0);
  Command(cmd::kInstall);
  ASSERT_TRUE(ProgressOpen());
  // The menu is out of reach while the dialog is open, but a posted command
  // still arrives.
  Select(1);
  Command(cmd::kInstall);
  EXPECT_EQ(user->Messages(), std::vector<std::string>{"download in progress, try later"});
  ASSERT_TRUE(RunUntil([&] { return !ProgressOpen(); }));
  EXPECT_TRUE(StartedInstallers().empty());
}

TEST_F(InstallGui, InstallIsRefusedWhileASuiteProgramRuns) {
  ServeCatalogue({ScriptItem("accounts", "Accounts")});
  const auto program = prefix.Root() / "accounts.exe";
  std::filesystem::copy_file("/bin/sleep", program);
  // A suite program of this prefix, as the updater would have started it.
  ChildProcess::Options inPrefix;
  inPrefix.environment = {"WINEPREFIX=" + prefix.Root().string()};
  ChildProcess running(program, {"30"}, inPrefix);

  ASSERT_TRUE(Start());
  Select(0);
  Command(cmd::kInstall);
  running.Stop(SIGTERM);

  ASSERT_EQ(user->Messages().size(), 1u);
  EXPECT_NE(user->Messages()[0].find("is currently running."), std::string::npos);
  EXPECT_FALSE(ProgressOpen());
  EXPECT_TRUE(Frame()->IsEnabled());
  RunFor(std::chrono::milliseconds(300));
  EXPECT_TRUE(StartedInstallers().empty());
}

TEST_F(InstallGui, InstallAllQueuesTheItemsAndClosesTheDialogWhenTheQueueIsDone) {
  ServeCatalogue({ScriptItem("accounts", "Accounts"), ScriptItem("drivers", "Drivers"),
                  ScriptItem("payroll", "Payroll"), ScriptItem("dll", "Libraries")});
  ASSERT_TRUE(Start());
  Command(cmd::kInstallAll);
  EXPECT_TRUE(ProgressOpen());
  ASSERT_TRUE(RunUntil([&] { return StartedInstallers().size() == 3 && !ProgressOpen(); }));
  EXPECT_EQ(StartedInstallers(),
            (std::vector<std::string>{"dll.exe /S", "accounts.exe /S", "payroll.exe /S"}));
  EXPECT_TRUE(Frame()->IsEnabled());
}

TEST_F(InstallGui, AFailedTransferIsReportedFromTheWorkerAndNothingIsStarted) {
  auto missing = ScriptItem("accounts", "Accounts");
  missing[1].second = server->Url("-/status/404/accounts.exe");
  ServeCatalogue({missing});
  ASSERT_TRUE(Start());
  Select(0);
  Command(cmd::kInstall);
  ASSERT_TRUE(RunUntil([&] { return !user->Messages().empty() && !ProgressOpen(); }));
  EXPECT_NE(user->Messages()[0].find("404"), std::string::npos) << user->Messages()[0];
  EXPECT_TRUE(StartedInstallers().empty());
  EXPECT_TRUE(Frame()->IsEnabled());
}

TEST_F(InstallGui, AServerAskingForALoginGetsTheOneTheUserTypes) {
  auto guarded = ScriptItem("accounts", "Accounts");
  guarded[1].second = server->Url("-/auth/basic/clerk/s3cret/accounts.exe");
  ServeCatalogue({guarded});
  user->QueueCredentials("clerk", "s3cret");
  user->OnDialog([](wxDialog& dialog) { SaveScreenshot(&dialog, "credentials-dialog"); });
  ASSERT_TRUE(Start());
  Select(0);
  Command(cmd::kInstall);
  ASSERT_TRUE(RunUntil([&] { return !StartedInstallers().empty(); }));
  EXPECT_EQ(StartedInstallers(), std::vector<std::string>{"accounts.exe "});
  EXPECT_EQ(user->Dialogs(), std::vector<std::string>{"credentials"});
  EXPECT_TRUE(user->Messages().empty());
}

TEST_F(InstallGui, ClosingTheWindowDuringATransferAbandonsItWithoutWaiting) {
  ServeCatalogue({SlowItem(100, 0.05)});
  ASSERT_TRUE(Start());
  Select(0);
  Command(cmd::kInstall);
  ASSERT_TRUE(RunUntil([&] { return Label(cmd::kKilobytesLabel) == "0 KB"; }));
  const auto start = std::chrono::steady_clock::now();
  Command(cmd::kCloseMainWindow);
  ASSERT_TRUE(RunUntil([&] { return Frame() == nullptr; }, std::chrono::seconds(10)));
  // The transfer would take well over an hour; closing did not wait for it.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

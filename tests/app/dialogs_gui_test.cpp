#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>
#include <thread>

#include "app/gui/about_dlg.h"
#include "app/gui/progress_dlg.h"
#include "app/gui/update_app.h"
#include "brand/skin.h"
#include "gui_harness.h"
#include "support/commands.h"
#include "testkit/temp_prefix.h"
#include "testkit/wait_until.h"

namespace {

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveDisplay())
      GTEST_SKIP() << "no display";
    FreshApp();
    owner = new wxFrame(nullptr, wxID_ANY, "owner", wxPoint(50, 50), wxSize(500, 300));
    owner->Show();
    RunFor(std::chrono::milliseconds(100));
  }
  void TearDown() override {
    if (owner == nullptr)
      return;  // skipped: no display
    owner->Destroy();
    RunFor(std::chrono::milliseconds(50));
  }

  std::string PercentText(CProgressDlg& dialog) {
    return std::string(
        wxStaticCast(dialog.Window()->FindWindow(1004), wxStaticText)->GetLabel().utf8_str());
  }

  TempPrefix prefix;
  wxFrame* owner = nullptr;
};

}  // namespace

TEST_F(Dialogs, TheProgressDialogDisablesItsOwnerUntilItCloses) {
  CProgressDlg progress;
  ASSERT_TRUE(progress.Open(owner));
  EXPECT_TRUE(progress.HasWindow());
  EXPECT_FALSE(owner->IsEnabled());
  EXPECT_EQ(progress.Window()->GetTitle(), "");
  EXPECT_EQ(PercentText(progress), " 0 %");

  // A second Open keeps the one window.
  wxDialog* first = progress.Window();
  EXPECT_TRUE(progress.Open(owner));
  EXPECT_EQ(progress.Window(), first);

  progress.DestroyWindow();
  EXPECT_FALSE(progress.HasWindow());
  EXPECT_TRUE(owner->IsEnabled());
  owner->Disable();
  progress.DestroyWindow();
  EXPECT_FALSE(owner->IsEnabled());

  // An owner that another window disabled is left as it was.
  ASSERT_TRUE(progress.Open(owner));
  progress.DestroyWindow();
  EXPECT_FALSE(owner->IsEnabled());
}

TEST_F(Dialogs, ThePercentTextFollowsThePositionAndIsSetOnlyWhenItChanges) {
  CProgressDlg progress;
  ASSERT_TRUE(progress.Open(owner));
  auto* gauge = wxStaticCast(progress.Window()->FindWindow(1003), wxGauge);
  EXPECT_EQ(progress.SetPosition(0), 0);
  EXPECT_EQ(PercentText(progress), "0%");
  EXPECT_EQ(progress.SetPosition(57), 0);
  EXPECT_EQ(PercentText(progress), "57%");
  EXPECT_EQ(gauge->GetValue(), 57);
  auto* label = wxStaticCast(progress.Window()->FindWindow(1004), wxStaticText);
  label->SetLabel("changed by hand");
  label->SetLabel("57%");
  EXPECT_EQ(progress.SetPosition(100), 57);
  EXPECT_EQ(PercentText(progress), "100%");
  progress.SetTitle("Payroll \xa3 update...");
  EXPECT_EQ(progress.Window()->GetTitle(), wxString::FromUTF8("Payroll \xc2\xa3 update..."));
}

TEST_F(Dialogs, PendingEventsAreHandledBeforeTheBarMoves) {
  CProgressDlg progress;
  ASSERT_TRUE(progress.Open(owner));
  bool handled = false;
  owner->CallAfter([&] { handled = true; });
  progress.SetPosition(10);
  EXPECT_TRUE(handled);

  // A handler that closes the dialog while events are drained leaves nothing
  // to move.
  owner->CallAfter([&] { progress.DestroyWindow(); });
  EXPECT_EQ(progress.SetPosition(20), 0);
  EXPECT_FALSE(progress.HasWindow());
  EXPECT_TRUE(owner->IsEnabled());
}

TEST_F(Dialogs, EnterEscCancelAndTheCloseBoxLeaveTheProgressDialogOpen) {
  CProgressDlg progress;
  ASSERT_TRUE(progress.Open(owner));
  wxDialog* window = progress.Window();
  window->Raise();
  RunUntil([&] { return window->IsShownOnScreen(); });
  window->SetFocus();
  RunFor(std::chrono::milliseconds(200));

  wxUIActionSimulator user;
  user.Char(WXK_ESCAPE);
  user.Char(WXK_RETURN);
  RunFor(std::chrono::milliseconds(200));
  EXPECT_TRUE(window->IsShown());

  wxCommandEvent cancel(wxEVT_BUTTON, cmd::kDialogCancel);
  cancel.SetEventObject(window->FindWindow(cmd::kDialogCancel));
  window->GetEventHandler()->ProcessEvent(cancel);
  EXPECT_FALSE(window->Close());
  RunFor(std::chrono::milliseconds(100));
  EXPECT_TRUE(progress.HasWindow());
  EXPECT_TRUE(window->IsShown());
  EXPECT_FALSE(owner->IsEnabled());

  SaveScreenshot(window, "progress-dialog");
}

TEST_F(Dialogs, AboutShowsTheProductLineForTheActiveBrand) {
  ScriptedUser user;
  std::string line;
  user.OnDialog([&](wxDialog& dialog) {
    line = dialog.FindWindow(1009)->GetLabel().utf8_str();
    SaveScreenshot(&dialog, "about-dialog");
  });
  ForgetSkin();
  CAboutDlg().DoModal();
  EXPECT_EQ(line, "Ostrel Update Version 1.0");

  SetSkin("gresmo");
  CAboutDlg().DoModal();
  EXPECT_NE(line.find("Update Version 1.0"), std::string::npos);
  EXPECT_EQ(line.find("Ostrel"), std::string::npos);
  ForgetSkin();
}

TEST_F(Dialogs, SetupReturnsTheEditedFolderOnlyWhenConfirmed) {
  CUpdateApp& app = FreshApp();
  ScriptedUser user;
  std::vector<std::string> buttons;
  user.OnDialog([&](wxDialog& dialog) {
    if (dialog.GetName() != "133")
      return;
    // OK and Cancel are the system's ids, by which other programs press them.
    for (int id : {cmd::kDialogOk, cmd::kDialogCancel})
      buttons.push_back(std::string(dialog.FindWindow(id)->GetLabel().utf8_str()));
    SaveScreenshot(&dialog, "setup-dialog");
  });
  user.QueueSetupAnswer("\\\\server\\installers");
  user.QueueSetupAnswer(std::nullopt);
  std::string folder = "c:\\old";
  EXPECT_TRUE(app.Desktop().RunSetupDialog(folder));
  EXPECT_EQ(folder, "\\\\server\\installers");
  EXPECT_FALSE(app.Desktop().RunSetupDialog(folder));
  EXPECT_EQ(folder, "\\\\server\\installers");
  EXPECT_EQ(user.Dialogs(), (std::vector<std::string>{"133", "133"}));
  EXPECT_EQ(buttons, (std::vector<std::string>{"OK", "Cancel", "OK", "Cancel"}));
}

TEST_F(Dialogs, AMessageBoxAskedForByAnotherThreadIsShownWhileItWaits) {
  CUpdateApp& app = FreshApp();
  ScriptedUser user;
  bool returned = false;
  std::thread worker([&] {
    app.Desktop().MessageBox("server \x80 not found");
    returned = true;
  });
  RunUntil([&] { return !user.Messages().empty(); });
  worker.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(user.Messages(), std::vector<std::string>{"server \xe2\x82\xac not found"});
}

TEST_F(Dialogs, OnceTheWindowIsClosingTheWorkersCallsAreAnsweredAtOnce) {
  CUpdateApp& app = FreshApp();
  std::optional<Desktop::Credentials> answer = Desktop::Credentials{"x", "y"};
  std::thread worker([&] { answer = app.Desktop().AskCredentials("127.0.0.1"); });
  // The worker waits for the UI thread, which is closing and will not show
  // the prompt: its call is queued there.
  ASSERT_TRUE(WaitUntil([] { return wxTheApp->HasPendingEvents(); }, std::chrono::seconds(10)));
  app.Desktop().StopServingWorker();
  worker.join();
  EXPECT_FALSE(answer.has_value());
  std::thread later([&] { app.Desktop().MessageBox("after"); });
  later.join();
  RunFor(std::chrono::milliseconds(100));
}

TEST_F(Dialogs, AMessageBoxOverTheProgressDialogOutlivesTheDialogsClosing) {
  CUpdateApp& app = FreshApp();
  CProgressDlg progress;
  ASSERT_TRUE(progress.Open(owner));
  // In front, as while a transfer runs.
  progress.Window()->Raise();
  progress.Window()->SetFocus();
  if (!RunUntil(
          [&] {
            wxWindow* active = wxGetActiveWindow();
            return active != nullptr && wxGetTopLevelParent(active) == progress.Window();
          },
          std::chrono::seconds(5)))
    GTEST_SKIP() << "no window can be made active here";
  ScriptedUser user;
  user.OnDialog([&](wxDialog&) {
    // The view's timer closes the progress dialog once the work is done,
    // whatever box is open; the window goes when the loop is next idle.
    progress.DestroyWindow();
    wxTheApp->ProcessIdle();
  });
  app.Desktop().MessageBox("could not start c:\\temp\\a.exe");
  EXPECT_EQ(user.Messages(), std::vector<std::string>{"could not start c:\\temp\\a.exe"});
}

#include <gtest/gtest.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/print.h>
#include <filesystem>
#include <fstream>

#include "app/gui/main_frame.h"
#include "app/gui/main_menu.h"
#include "app/gui/printing.h"
#include "app/gui/update_app.h"
#include "app/gui/update_view.h"
#include "app/startup.h"
#include "app/update_view_logic.h"
#include "gui_harness.h"
#include "support/commands.h"
#include "support/settings.h"
#include "testkit/host.h"

namespace {

class DocumentCommands : public UpdaterGuiTest {
 protected:
  int CatalogueRequests() const {
    int count = 0;
    for (const auto& request : server->Requests())
      count += request.path == "/download.xml";
    return count;
  }
  std::string FirstRow() const { return std::string(View()->List()->GetItemText(0, 0).utf8_str()); }
  std::string RecentFile(int number) const {
    return GetProfileString("Recent File List", "File" + std::to_string(number), "");
  }
};

}  // namespace

TEST_F(DocumentCommands, NewLoadsAgainWithoutRefillingTheListAndRepeatsAll) {
  ServeCatalogue({ScriptItem("accounts", "Accounts"), ScriptItem("payroll", "Payroll")});
  ASSERT_TRUE(Start({"/all"}));
  // Until the last installer has ended, another Install All is refused.
  ASSERT_TRUE(
      RunUntil([&] { return StartedInstallers().size() == 2 && !View()->Progress().HasWindow(); }));
  ServeCatalogue({ScriptItem("vat", "VAT")});

  Command(cmd::kFileNew);
  EXPECT_EQ(CatalogueRequests(), 2);
  EXPECT_EQ(View()->List()->GetItemCount(), 2);
  EXPECT_EQ(FirstRow(), "Accounts");
  ASSERT_TRUE(RunUntil([&] { return StartedInstallers().size() == 3; }));
  EXPECT_EQ(StartedInstallers().back(), "vat.exe /S");
}

TEST_F(DocumentCommands, TheAutomaticInstallIsPostedOnceForTheRun) {
  prefix.WriteFile("c:\\ostrel\\dllversion.txt", "<Files><File path=\"c:\\nowhere.dll\"/></Files>");
  ServeCatalogue({ScriptItem("accounts", "Accounts")});
  ASSERT_TRUE(Start({"/dllcheck"}));
  ASSERT_TRUE(RunUntil([&] { return user->Messages().size() == 2; }));
  EXPECT_EQ(user->Messages(),
            (std::vector<std::string>{kLibrariesMissingMessage, kChooseItemMessage}));
  Command(cmd::kFileNew);
  RunFor(std::chrono::milliseconds(300));
  EXPECT_EQ(user->Messages().size(), 2u);
  EXPECT_NE(Frame(), nullptr);
}

TEST_F(DocumentCommands, OpenAsksForAFileReadsNothingAndKeepsItInTheRecentList) {
  ServeCatalogue({ScriptItem("accounts", "Accounts")});
  // The list keeps the full path, not the name as typed.
  ASSERT_TRUE(Start({"first.upd"}));
  const std::string first = (std::filesystem::current_path() / "first.upd").string();
  EXPECT_EQ(RecentFile(1), first);
  Command(cmd::kFileOpen);
  EXPECT_EQ(user->Dialogs(), std::vector<std::string>{"file"});
  EXPECT_EQ(CatalogueRequests(), 1);

  const auto chosen = prefix.Root() / "chosen.upd";
  std::ofstream(chosen) << "anything";
  app->OpenDocument(chosen.string());
  EXPECT_EQ(CatalogueRequests(), 2);
  EXPECT_EQ(View()->List()->GetItemCount(), 1);
  EXPECT_EQ(RecentFile(1), chosen.string());
  EXPECT_EQ(RecentFile(2), first);
  EXPECT_EQ(Frame()->GetTitle(), "Ostrel - update");
}

TEST_F(DocumentCommands, SaveNamesTheWindowAfterTheFileAndAsksAgainWhileThereIsNone) {
  ServeCatalogue({ScriptItem("accounts", "Accounts")});
  ASSERT_TRUE(Start());
  Command(cmd::kFileSave);
  EXPECT_EQ(user->Dialogs(), std::vector<std::string>{"file"});

  const auto target = prefix.Root() / "saved.upd";
  app->SaveDocumentAs(target.string());
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_EQ(RecentFile(1), target.string());
  EXPECT_EQ(Frame()->GetTitle(), "saved.upd - update");
  // Saving wrote nothing, so there is still no file to save into.
  Command(cmd::kFileSave);
  EXPECT_EQ(user->Dialogs().size(), 2u);
  std::ofstream(target) << "";
  Command(cmd::kFileSave);
  EXPECT_EQ(user->Dialogs().size(), 2u);
}

TEST_F(DocumentCommands, PrintPreviewShowsOneEmptyPageOfAJobNamedAfterTheDocument) {
  ServeCatalogue({ScriptItem("accounts", "Accounts")});
  ASSERT_TRUE(Start());
  Command(cmd::kFilePrintPreview);
  wxPreviewFrame* preview = nullptr;
  for (wxWindow* window : wxTopLevelWindows)
    if (auto* found = dynamic_cast<wxPreviewFrame*>(window))
      preview = found;
  ASSERT_NE(preview, nullptr);
  // The job is named after the document, as far as a job name goes.
  wxPrintout* previewed = nullptr;
  for (wxWindow* child : preview->GetChildren())
    if (auto* bar = dynamic_cast<wxPreviewControlBar*>(child))
      previewed = bar->GetPrintPreview()->GetPrintout();
  ASSERT_NE(previewed, nullptr);
  EXPECT_EQ(previewed->GetTitle(), "Ostrel");
  preview->Close(true);

  EXPECT_EQ(PrintJobName(std::string(40, 'x')), wxString(31, 'x'));
  CEmptyPrintout printout("Ostrel");
  int minPage = 0, maxPage = 0, from = 0, to = 0;
  printout.GetPageInfo(&minPage, &maxPage, &from, &to);
  EXPECT_EQ(std::vector<int>({minPage, maxPage, from, to}), std::vector<int>({1, 1, 1, 1}));
  EXPECT_TRUE(printout.HasPage(1));
  EXPECT_FALSE(printout.HasPage(2));
  RunFor(std::chrono::milliseconds(100));
}

TEST_F(DocumentCommands, InformationFetchesTheTextAndOpensItWithTheDefaultApplication) {
  // xdg-open as the desktop would run it: here a stand-in that notes the file.
  const auto bin = prefix.Root() / "bin";
  std::filesystem::create_directories(bin);
  const auto opened = prefix.Root() / "opened.txt";
  std::ofstream(bin / "xdg-open") << "#!/bin/sh\ncat \"$1\" > '" << opened.string() << "'\n";
  std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
  const std::string path = std::getenv("PATH");
  SetEnvironment("PATH", (bin.string() + ":" + path).c_str());

  ServeCatalogue({ScriptItem("accounts", "Accounts \x80")});
  ASSERT_TRUE(Start());
  View()->List()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  Command(cmd::kInformation);
  const bool shown = RunUntil([&] {
    std::error_code error;
    return std::filesystem::file_size(opened, error) > 0 && !error;
  });
  SetEnvironment("PATH", path.c_str());
  ASSERT_TRUE(shown);
  std::ifstream in(opened);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "About Accounts \x80\r");
  EXPECT_EQ(app->Desktop().MessageText(), "downloading " + server->Url("accounts.txt"));
}

TEST_F(DocumentCommands, TheMenuCarriesTheCommandsAndTheButtonsPostTheirs) {
  ServeCatalogue({ScriptItem("accounts", "Accounts")});
  ASSERT_TRUE(Start());
  wxMenuBar* menu = Frame()->GetMenuBar();
  ASSERT_EQ(menu->GetMenuCount(), 2u);
  EXPECT_EQ(menu->GetMenuLabel(0), "Install");
  EXPECT_EQ(menu->GetMenuLabel(1), "&Help");
  EXPECT_EQ(menu->GetMenu(0)->FindItemByPosition(3)->GetSubMenu()->GetMenuItemCount(), 3u);

  // The Help menu's About runs the About dialog; the form's About button
  // posts that command.
  wxCommandEvent about(wxEVT_MENU, EventIdForCommand(cmd::kAppAbout));
  Frame()->GetEventHandler()->ProcessEvent(about);
  EXPECT_EQ(user->Dialogs(), std::vector<std::string>{"100"});
  wxCommandEvent button(wxEVT_BUTTON, cmd::kAbout);
  View()->GetEventHandler()->ProcessEvent(button);
  ASSERT_TRUE(RunUntil([&] { return user->Dialogs().size() == 2; }));

  // Exit, from the button, closes the main window once its post arrives.
  wxCommandEvent exit(wxEVT_BUTTON, cmd::kExit);
  View()->GetEventHandler()->ProcessEvent(exit);
  EXPECT_NE(Frame(), nullptr);
  EXPECT_TRUE(RunUntil([&] { return Frame() == nullptr; }));
}

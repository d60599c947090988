#include "app/update_view_logic.h"

#include <gtest/gtest.h>
#include <memory>

#include "app/application.h"
#include "catalogue/update_doc.h"
#include "support/commands.h"
#include "support/settings.h"
#include "table_list.h"
#include "testkit/desktop_recorder.h"
#include "testkit/temp_prefix.h"
#include "xml/xml_var.h"

namespace {

// The labels and the progress dialog, as the view would show them.
struct ShownProgress final : ProgressDisplay {
  void SetProgressLabels(const std::string& kb, const std::string& percent) override {
    kilobytes = kb;
    percentage = percent;
  }
  bool IsProgressOpen() const override { return open; }
  void SetProgressTitle(const std::string& text) override { title = text; }
  void SetProgressPosition(int percent) override {
    positions.push_back(percent);
    if (whileDraining)
      whileDraining();
  }
  void CloseProgress() override { open = false; }

  std::string kilobytes, percentage, title;
  bool open = false;
  std::vector<int> positions;
  std::function<void()> whileDraining;
};

// A document in whatever state a case needs: the view reads nothing else.
struct StagedDocument final : CUpdateDoc {
  CXMLVar* Downloads() const override { return catalogue; }
  ProgressSnapshot Progress() const override { return progress; }

  CXMLVar* catalogue = nullptr;
  ProgressSnapshot progress;
};

class ViewLogic : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetCommandLine();
    ResetAutomaticInstall();
    catalogue = std::make_unique<CXMLVar>("Downloads");
    for (const char* info : {"abc.txt", "dll.txt"}) {
      CXMLVar* item = catalogue->AddChild(std::make_unique<CXMLVar>("item"));
      item->AddChild(std::make_unique<CXMLVar>("Description", std::string("about ") + info));
      item->AddChild(std::make_unique<CXMLVar>("Info", info));
    }
  }
  void TearDown() override { ResetCommandLine(); }
  UpdateViewLogic Logic(bool programsRunning = false) {
    return UpdateViewLogic(doc, list, progress, [this, programsRunning] {
      ++guardAsked;
      return programsRunning;
    });
  }

  TempPrefix prefix;
  DesktopRecorder desktop;
  StagedDocument doc;
  std::unique_ptr<CXMLVar> catalogue;
  TableList list{800};
  ShownProgress progress;
  int guardAsked = 0;
};

}  // namespace

TEST_F(ViewLogic, TheLibraryCheckModePostsOneAutomaticInstallForTheRun) {
  TheOptions()["sel"] = "nothing";
  TheOptions()["DLLCHECK"] = "T";
  CXMLVar emptyCatalogue("Downloads");
  doc.catalogue = &emptyCatalogue;
  auto logic = Logic();
  logic.OnUpdate(cmd::kHintCatalogue);
  logic.OnUpdate(cmd::kHintCatalogue);
  auto again = Logic();
  again.OnUpdate(cmd::kHintCatalogue);
  EXPECT_EQ(desktop.PostedCommands(), std::vector<int>{cmd::kInstall});
  EXPECT_EQ(list.selected, -1);
}

TEST_F(ViewLogic, TheFilledListMarksTheUpdatesThisMachineHasNotGot) {
  WriteProfileString("internet", "updatedll", "01/03/2026");
  doc.catalogue = catalogue.get();
  Logic().OnUpdate(cmd::kHintCatalogue);
  ASSERT_EQ(list.rows.size(), 2u);
  EXPECT_EQ(list.rows[0].cells[0], "about abc.txt");
  EXPECT_TRUE(list.rows[0].marked);
  EXPECT_FALSE(list.rows[1].marked);
}

TEST_F(ViewLogic, ProgressLabelsAndTheDialogFollowTheTransfer) {
  auto logic = Logic();
  logic.RefreshProgress();
  EXPECT_EQ(progress.kilobytes, "");
  EXPECT_EQ(progress.percentage, "0 %");
  EXPECT_TRUE(progress.positions.empty());

  progress.open = true;
  doc.progress = {1048576, 2048, "Payroll update", true};
  logic.RefreshProgress();
  EXPECT_EQ(progress.kilobytes, "1024 KB");
  EXPECT_EQ(progress.percentage, "50 %");
  EXPECT_EQ(progress.title, "Payroll update...");
  EXPECT_EQ(progress.positions, std::vector<int>{50});
  EXPECT_TRUE(progress.open);

  doc.progress.bytesReceived = 2048 * 1024;
  logic.RefreshProgress();
  EXPECT_FALSE(progress.open);
}

TEST_F(ViewLogic, TheDialogStaysOpenWhileTheQueueHoldsItems) {
  auto logic = Logic();
  progress.open = true;
  doc.progress.bytesReceived = 1536;
  doc.progress.queueLength = 1;
  logic.RefreshProgress();
  EXPECT_TRUE(progress.open);
  EXPECT_EQ(progress.percentage, "100 %");

  // A "Complete" handled while the bar moves empties the queue: the close is
  // decided on what it left.
  progress.whileDraining = [this] { doc.progress.queueLength = 0; };
  logic.RefreshProgress();
  EXPECT_FALSE(progress.open);
}

TEST_F(ViewLogic, HintOneRefreshesTheProgressAtOnce) {
  auto logic = Logic();
  progress.open = true;
  doc.progress.inProgress = true;
  doc.progress.status = "c:\\temp\\setup.exe";
  logic.OnUpdate(cmd::kHintProgress);
  EXPECT_EQ(progress.title, "c:\\temp\\setup.exe...");
  EXPECT_EQ(list.RowCount(), 0);
}

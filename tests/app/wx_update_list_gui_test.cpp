#include "app/gui/wx_update_list.h"

#include <gtest/gtest.h>
#include <wx/frame.h>

#include <string>
#include <vector>

#include "gui_harness.h"

namespace {

// Rows whose texts fill several of the list's pieces of storage, one text
// longer than a piece, and a row whose first letters no other row has.
std::vector<std::vector<std::string>> Rows() {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 3000; ++i)
    rows.push_back({"update " + std::to_string(i), std::string(i % 97, 'x') + "\xa3"});
  rows[1234][1] = std::string(70'000, 'y');
  rows[2999][0] = "Payroll \x80";
  return rows;
}

}  // namespace

TEST(WxUpdateList, KeepsEveryCellAsSetAndTheControlShowsSelectsAndSearchesThem) {
  if (!HaveDisplay())
    GTEST_SKIP() << "no X display";
  FreshApp();
  auto* frame = new wxFrame(nullptr, wxID_ANY, "list");
  auto* control = new CCatalogueListCtrl;
  ASSERT_TRUE(control->Create(frame, wxID_ANY, wxDefaultPosition, wxSize(400, 300),
                              wxLC_REPORT | wxLC_VIRTUAL | wxLC_SINGLE_SEL));
  {
    WxUpdateList list(control);
    list.InsertColumn(0, "Description", 100);
    list.InsertColumn(1, "Notes", 100);
    const auto rows = Rows();
    for (const auto& row : rows) {
      const int at = list.InsertRow(list.RowCount(), row[0]);
      list.SetCellText(at, 1, row[1]);
      // A column that does not exist shows nothing.
      list.SetCellText(at, 2, "hidden");
    }
    list.EndInsertRows();

    ASSERT_EQ(control->GetItemCount(), 3000);
    for (int i = 0; i < 3000; ++i) {
      ASSERT_EQ(list.CellText(i, 0), rows[i][0]) << i;
      ASSERT_EQ(list.CellText(i, 1), rows[i][1]) << i;
      ASSERT_EQ(list.CellText(i, 2), "") << i;
    }
    EXPECT_EQ(control->GetItemText(2999, 0), wxString::FromUTF8("Payroll \xe2\x82\xac"));
    EXPECT_EQ(control->GetItemText(5, 1), wxString::FromUTF8("xxxxx\xc2\xa3"));

    list.SelectRow(2999);
    EXPECT_EQ(list.SelectedRow(), 2999);
    EXPECT_EQ(control->GetItemState(2999, wxLIST_STATE_FOCUSED), wxLIST_STATE_FOCUSED);
    // What typing a row's first letters looks for.
    EXPECT_EQ(control->FindItem(-1, "payr", true), 2999);
  }
  frame->Destroy();
}

#include "app/update_list.h"

#include <gtest/gtest.h>
#include <memory>

#include "table_list.h"
#include "xml/xml_var.h"

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

CXMLVar* AddItem(CXMLVar& root, const Fields& fields) {
  CXMLVar* item = root.AddChild(std::make_unique<CXMLVar>("item"));
  for (const auto& [name, value] : fields)
    item->AddChild(std::make_unique<CXMLVar>(name, value));
  return item;
}

std::unique_ptr<CXMLVar> Catalogue(const std::vector<std::string>& infos) {
  auto root = std::make_unique<CXMLVar>("Downloads");
  for (const auto& info : infos)
    AddItem(*root, {{"Description", "about " + info}, {"Info", info}});
  return root;
}

}  // namespace

TEST(FillList, ColumnsComeFromTheFirstItemAndEachRowCarriesItsItem) {
  CXMLVar root("Downloads");
  CXMLVar* first = AddItem(
      root, {{"Description", "Payroll \xa3"}, {"href", "http://h/a.exe"}, {"Sha256", "ab"}});
  CXMLVar* second = AddItem(root, {{"Description", "Accounts"}, {"href", "http://h/b.exe"}});
  TableList list;
  FillList(list, &root, 100);

  EXPECT_EQ(list.headings, (std::vector<std::string>{"Description", "href", "Sha256"}));
  EXPECT_EQ(list.widths, (std::vector<int>{100, 100, 0}));
  ASSERT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.CellText(0, 0), "Payroll \xa3");
  EXPECT_EQ(list.CellText(1, 1), "http://h/b.exe");
  EXPECT_EQ(list.RowItem(0), first);
  EXPECT_EQ(list.RowItem(1), second);
}

TEST(FillList, AnItemWithoutFieldsGetsNoRowAndLeavesTheOtherRowsTheirItems) {
  CXMLVar root("Downloads");
  CXMLVar* empty = root.AddChild(std::make_unique<CXMLVar>("item"));
  CXMLVar* first = AddItem(root, {{"Description", "one"}});
  root.AddChild(std::make_unique<CXMLVar>("item"));
  CXMLVar* second = AddItem(root, {{"Description", "two"}});
  TableList list;
  FillList(list, &root, 50);

  EXPECT_EQ(list.headings, (std::vector<std::string>{"Description"}));
  ASSERT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.RowItem(0), first);
  EXPECT_EQ(list.RowItem(1), second);
  EXPECT_EQ(list.CellText(1, 0), "two");
  for (const auto& row : list.rows)
    EXPECT_NE(row.item, empty);
}

TEST(SizeColumns, SevenColumnsInEightHundredPixels) {
  CXMLVar root("Downloads");
  AddItem(root,
          {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}, {"f", "6"}, {"g", "7"}});
  TableList list(800);
  FillList(list, &root, DefaultColumnWidth(800));
  SizeColumns(list, 800);
  EXPECT_EQ(list.widths, (std::vector<int>{400, 0, 100, 100, 200, 0, 100}));
}

TEST(Preselection, TheLaterOfTwoMatchesWinsAndValuesIgnoreCase) {
  const auto root = Catalogue({"abc.txt", "dll.txt", "other.txt", "DLL.TXT"});
  EXPECT_EQ(FindPreselectedRow(root.get(), "dll.txt"), 3);
  EXPECT_EQ(FindPreselectedRow(root.get(), "ABC.txt"), 0);
}

TEST(Preselection, NoMatchGivesMinusTwoAndOnlyElementsNamedInfoExactlyCount) {
  auto root = Catalogue({"abc.txt", "dll.txt"});
  EXPECT_EQ(FindPreselectedRow(root.get(), "none.txt"), -2);
  EXPECT_EQ(FindPreselectedRow(nullptr, "dll.txt"), -2);

  auto lower = std::make_unique<CXMLVar>("Downloads");
  AddItem(*lower, {{"info", "dll.txt"}});
  EXPECT_EQ(FindPreselectedRow(lower.get(), "dll.txt"), -2);
}

TEST(Preselection, RowsFollowTheCountOfInfoElements) {
  // An extra "Info" element in the first item shifts the count by one, so
  // the row found is one further on, as the counting rule has it.
  auto root = std::make_unique<CXMLVar>("Downloads");
  AddItem(*root, {{"Info", "a.txt"}, {"Info", "b.txt"}});
  AddItem(*root, {{"Info", "c.txt"}});
  EXPECT_EQ(FindPreselectedRow(root.get(), "c.txt"), 2);
}

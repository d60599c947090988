#include "app/update_list.h"

#include <algorithm>
#include <unordered_set>

#include "xml/xml_var.h"

namespace {

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return lower(x) == lower(y); });
}

struct InfoSearch {
  const std::string* selectionName;
  int counter = 0;
  int found = -1;
};

void CountInfo(CXMLVar* element, void* context) {
  auto& search = *static_cast<InfoSearch*>(context);
  if (element->m_strName != "Info")
    return;
  ++search.counter;
  if (EqualIgnoringCase(element->m_strValue, *search.selectionName))
    search.found = search.counter;
}

}  // namespace

void FillList(UpdateList& list, CXMLVar* root, int columnWidth) {
  if (root == nullptr)
    return;
  bool columnsMade = false;
  for (CXMLVar* item : root->Children()) {
    if (item->Children().empty())
      continue;
    int row = -1;
    int column = 0;
    for (const CXMLVar* field : item->Children()) {
      // A digest is for the updater, not for reading: its column stays hidden.
      const bool digest = field->m_strName == "Sha256" || field->m_strName == "InfoSha256";
      if (!columnsMade)
        list.InsertColumn(column, field->m_strName, digest ? 0 : columnWidth);
      if (column == 0) {
        row = list.InsertRow(list.RowCount(), field->m_strValue);
      } else if (column < list.ColumnCount()) {
        list.SetCellText(row, column, field->m_strValue);
      }
      ++column;
    }
    columnsMade = true;
    list.SetRowItem(row, item);
  }
  list.EndInsertRows();
}

int DefaultColumnWidth(int clientWidth) {
  return clientWidth / 8;
}

void SizeColumns(UpdateList& list, int clientWidth) {
  list.SetColumnWidth(0, clientWidth / 2);
  list.SetColumnWidth(1, 0);
  list.SetColumnWidth(4, clientWidth / 4);
  list.SetColumnWidth(5, 0);
}

int FindPreselectedRow(CXMLVar* root, const std::string& selectionName) {
  InfoSearch search{&selectionName};
  if (root != nullptr)
    root->Traverse(&CountInfo, &search, false);
  return search.found - 1;
}

void MarkPendingRows(UpdateList& list, const std::vector<CXMLVar*>& pending) {
  const std::unordered_set<CXMLVar*> marked(pending.begin(), pending.end());
  for (int row = 0; row < list.RowCount(); ++row)
    list.MarkRow(row, marked.count(list.RowItem(row)) != 0);
  list.EndMarkRows();
}

CXMLVar* GetSelectedItem(const UpdateList& list) {
  const int row = list.SelectedRow();
  return row < 0 ? nullptr : list.RowItem(row);
}

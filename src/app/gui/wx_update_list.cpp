#include "app/gui/wx_update_list.h"

#include <wx/listctrl.h>

#include "app/gui/wx_text.h"

int WxUpdateList::RowCount() const {
  return m_control->GetItemCount();
}

int WxUpdateList::ColumnCount() const {
  return m_control->GetColumnCount();
}

int WxUpdateList::ClientWidth() const {
  return m_control->GetClientSize().x;
}

void WxUpdateList::InsertColumn(int column, const std::string& heading, int width) {
  m_control->InsertColumn(column, ToWx(heading), wxLIST_FORMAT_LEFT, width);
}

void WxUpdateList::SetColumnWidth(int column, int width) {
  if (column >= 0 && column < ColumnCount())
    m_control->SetColumnWidth(column, width);
}

int WxUpdateList::ColumnWidth(int column) const {
  return column >= 0 && column < ColumnCount() ? m_control->GetColumnWidth(column) : 0;
}

int WxUpdateList::InsertRow(int row, const std::string& text) {
  return static_cast<int>(m_control->InsertItem(row, ToWx(text)));
}

void WxUpdateList::SetCellText(int row, int column, const std::string& text) {
  if (HasCell(row, column))
    m_control->SetItem(row, column, ToWx(text));
}

std::string WxUpdateList::CellText(int row, int column) const {
  return HasCell(row, column) ? FromWx(m_control->GetItemText(row, column)) : std::string();
}

void WxUpdateList::SetRowItem(int row, CXMLVar* item) {
  if (row >= 0 && row < RowCount())
    m_control->SetItemPtrData(row, reinterpret_cast<wxUIntPtr>(item));
}

CXMLVar* WxUpdateList::RowItem(int row) const {
  if (row < 0 || row >= RowCount())
    return nullptr;
  return reinterpret_cast<CXMLVar*>(m_control->GetItemData(row));
}

void WxUpdateList::SelectRow(int row) {
  if (row < 0 || row >= RowCount())
    return;
  m_control->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                          wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
}

int WxUpdateList::SelectedRow() const {
  return static_cast<int>(m_control->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}

void WxUpdateList::Focus() {
  m_control->SetFocus();
}

bool WxUpdateList::HasCell(int row, int column) const {
  return row >= 0 && row < RowCount() && column >= 0 && column < ColumnCount();
}

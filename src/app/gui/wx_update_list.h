// The update view's list control behind the UpdateList interface of the
// view's logic: report mode, single selection; texts converted from
// Windows-1252 for display. UI thread only.
#pragma once

#include "app/update_list.h"

class wxListCtrl;

class WxUpdateList final : public UpdateList {
 public:
  explicit WxUpdateList(wxListCtrl* list) : m_control(list) {}

  int RowCount() const override;
  int ColumnCount() const override;
  int ClientWidth() const override;
  void InsertColumn(int column, const std::string& heading, int width) override;
  void SetColumnWidth(int column, int width) override;
  int ColumnWidth(int column) const override;
  int InsertRow(int row, const std::string& text) override;
  void SetCellText(int row, int column, const std::string& text) override;
  std::string CellText(int row, int column) const override;
  void SetRowItem(int row, CXMLVar* item) override;
  CXMLVar* RowItem(int row) const override;
  void SelectRow(int row) override;
  int SelectedRow() const override;
  void Focus() override;

 private:
  bool HasCell(int row, int column) const;

  wxListCtrl* m_control;
};

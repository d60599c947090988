// A list in report mode as a plain table, for the view logic's tests: what a
// list control would hold, without drawing it.
#pragma once

#include <string>
#include <vector>

#include "app/update_list.h"

class TableList final : public UpdateList {
 public:
  struct Row {
    std::vector<std::string> cells;
    CXMLVar* item = nullptr;
    bool marked = false;
  };

  explicit TableList(int clientWidth = 800) : m_clientWidth(clientWidth) {}

  int RowCount() const override { return int(rows.size()); }
  int ColumnCount() const override { return int(headings.size()); }
  int ClientWidth() const override { return m_clientWidth; }
  void InsertColumn(int column, const std::string& heading, int width) override {
    if (column < 0 || column > ColumnCount())
      column = ColumnCount();
    headings.insert(headings.begin() + column, heading);
    widths.insert(widths.begin() + column, width);
  }
  void SetColumnWidth(int column, int width) override {
    if (column >= 0 && column < ColumnCount())
      widths[column] = width;
  }
  int ColumnWidth(int column) const override { return widths.at(column); }
  int InsertRow(int row, const std::string& text) override {
    if (row < 0 || row > RowCount())
      row = RowCount();
    rows.insert(rows.begin() + row, Row{{text}, nullptr, false});
    return row;
  }
  void SetCellText(int row, int column, const std::string& text) override {
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount())
      return;
    auto& cells = rows[row].cells;
    if (int(cells.size()) <= column)
      cells.resize(column + 1);
    cells[column] = text;
  }
  std::string CellText(int row, int column) const override {
    const auto& cells = rows.at(row).cells;
    return column < int(cells.size()) ? cells[column] : std::string();
  }
  void SetRowItem(int row, CXMLVar* item) override {
    if (row >= 0 && row < RowCount())
      rows[row].item = item;
  }
  CXMLVar* RowItem(int row) const override {
    return row >= 0 && row < RowCount() ? rows[row].item : nullptr;
  }
  void SelectRow(int row) override {
    if (row >= 0 && row < RowCount())
      selected = row;
  }
  int SelectedRow() const override { return selected; }
  void Focus() override { ++focused; }
  void MarkRow(int row, bool pending) override {
    if (row >= 0 && row < RowCount())
      rows[row].marked = pending;
  }

  std::vector<std::string> headings;
  std::vector<int> widths;
  std::vector<Row> rows;
  int selected = -1;
  int focused = 0;

 private:
  int m_clientWidth;
};

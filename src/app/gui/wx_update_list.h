// The update view's list control behind the UpdateList interface of the
// view's logic: report mode, single selection.
//
// The control is virtual: it holds no row of its own, but asks for a cell's
// text when it draws the cell (or when a caller or the keyboard's search
// reads it), so a catalogue of tens of thousands of items fills it at once
// and costs a few bytes a cell. The texts are kept here, in Windows-1252 as
// the list was given them, and converted for display only when shown.
// Selection, focus and the keyboard are the control's own, as for a list that
// holds its rows; on Windows it is the system's list view in its owner-data
// form. UI thread only.
#pragma once

#include <wx/listctrl.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/update_list.h"

class WxUpdateList;

// The form's list control (resource 101, control 1000, made by the resource
// loader under this class's name), showing the rows of its WxUpdateList.
class CCatalogueListCtrl final : public wxListCtrl {
 public:
  CCatalogueListCtrl() = default;

  void SetRows(const WxUpdateList* rows) { m_pRows = rows; }

 protected:
  wxString OnGetItemText(long item, long column) const override;
  // A pending update's row is drawn in bold.
  wxItemAttr* OnGetItemAttr(long item) const override;

 private:
  const WxUpdateList* m_pRows = nullptr;
  mutable wxItemAttr m_pendingAttr;

  wxDECLARE_DYNAMIC_CLASS_NO_COPY(CCatalogueListCtrl);
};

class WxUpdateList final : public UpdateList {
 public:
  explicit WxUpdateList(CCatalogueListCtrl* list);
  ~WxUpdateList() override;
  WxUpdateList(const WxUpdateList&) = delete;
  WxUpdateList& operator=(const WxUpdateList&) = delete;

  int RowCount() const override;
  int ColumnCount() const override;
  int ClientWidth() const override;
  // Columns go after the last one.
  void InsertColumn(int column, const std::string& heading, int width) override;
  void SetColumnWidth(int column, int width) override;
  int ColumnWidth(int column) const override;
  int InsertRow(int row, const std::string& text) override;
  void EndInsertRows() override;
  void SetCellText(int row, int column, const std::string& text) override;
  std::string CellText(int row, int column) const override;
  void SetRowItem(int row, CXMLVar* item) override;
  CXMLVar* RowItem(int row) const override;
  void SelectRow(int row) override;
  int SelectedRow() const override;
  void Focus() override;
  void MarkRow(int row, bool pending) override;
  void EndMarkRows() override;
  bool IsMarked(int row) const;

  // A cell's text as kept (Windows-1252); empty for a cell never set.
  std::string_view Cell(int row, int column) const;

 private:
  // Where a text lies: in which piece of m_texts, from where, how long.
  struct Span {
    std::uint32_t piece = 0;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
  };
  // A row's cells are m_cells[firstCell, firstCell + cells).
  struct Row {
    CXMLVar* item = nullptr;
    std::uint32_t firstCell = 0;
    std::uint32_t cells = 0;
    bool marked = false;
  };

  bool HasCell(int row, int column) const;
  // Keeps `text` and says where it lies.
  Span Keep(std::string_view text);
  // Makes the control's row count that of the rows kept here.
  void ShowRows();

  CCatalogueListCtrl* m_control;
  // Double-ended queues and pieces of texts grow without ever copying what
  // they hold into a larger block: a long list costs no more than its texts.
  std::deque<Row> m_rows;
  std::deque<Span> m_cells;
  // Every cell's text, one after the other in pieces of 64 KiB (a longer
  // text has a piece of its own); a text set again is kept anew.
  std::vector<std::unique_ptr<char[]>> m_texts;
  static constexpr std::size_t kNoPiece = static_cast<std::size_t>(-1);
  std::size_t m_fillingPiece = kNoPiece;
  std::size_t m_fillingUsed = 0;
};

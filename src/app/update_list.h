// The update view's list of catalogue items, as the view's logic sees it,
// and the operations that fill it, size its columns, preselect a row and read
// the selection.
//
// UpdateList is what a list control in report mode offers; the wx view
// implements it over its list control, tests over a plain table. Texts are
// Windows-1252. Rows carry the catalogue item they show (an element owned by
// the document). UI thread only.
#pragma once

#include <string>
#include <vector>

class CXMLVar;

class UpdateList {
 public:
  virtual ~UpdateList() = default;

  virtual int RowCount() const = 0;
  virtual int ColumnCount() const = 0;
  // The width of the list's client area, in pixels.
  virtual int ClientWidth() const = 0;
  // Left-aligned.
  virtual void InsertColumn(int column, const std::string& heading, int width) = 0;
  // A request for a column that does not exist has no effect.
  virtual void SetColumnWidth(int column, int width) = 0;
  virtual int ColumnWidth(int column) const = 0;
  // Inserts a row at `row` (at the end when beyond it) with the text of its
  // first cell; returns the row's index.
  virtual int InsertRow(int row, const std::string& text) = 0;
  // Rows have been inserted in one go: a list that learns of them together
  // catches up now.
  virtual void EndInsertRows() {}
  // A cell of a column that does not exist is not shown.
  virtual void SetCellText(int row, int column, const std::string& text) = 0;
  virtual std::string CellText(int row, int column) const = 0;
  virtual void SetRowItem(int row, CXMLVar* item) = 0;
  virtual CXMLVar* RowItem(int row) const = 0;
  // Selects and focuses `row` without scrolling to it; a row number outside
  // the list selects nothing.
  virtual void SelectRow(int row) = 0;
  // The first selected row, or -1.
  virtual int SelectedRow() const = 0;
  // Gives the keyboard focus to the list.
  virtual void Focus() = 0;
  // Shows the row as a pending update (in bold) or as an ordinary one; its
  // texts stay as they are.
  virtual void MarkRow(int row, bool pending) = 0;
  // Rows have been marked in one go: the list shows the marks now.
  virtual void EndMarkRows() {}
};

// One row per item of `root` that has fields, in order, each field's value in
// its column; the columns (headings = field names, all `columnWidth` wide
// but the digests "Sha256" and "InfoSha256", hidden)
// come from the first item shown. An item without fields gets no row, so every
// row's item is the item it shows.
void FillList(UpdateList& list, CXMLVar* root, int columnWidth);

// Widths from the client width w: every column w/8, then column 0 w/2,
// column 1 hidden, column 4 w/4, column 5 hidden.
int DefaultColumnWidth(int clientWidth);
void SizeColumns(UpdateList& list, int clientWidth);

// The row to preselect for `selectionName` (the "sel" option followed by
// ".txt"): every element named "Info" (exact case) in a pre-order walk of
// `root` is counted; the row is the count at the last one whose value equals
// the name without regard to case, less one. -2 when none matches.
int FindPreselectedRow(CXMLVar* root, const std::string& selectionName);

// Marks the rows whose items are among `pending` and unmarks the others.
void MarkPendingRows(UpdateList& list, const std::vector<CXMLVar*>& pending);

// The item of the first selected row, or nullptr.
CXMLVar* GetSelectedItem(const UpdateList& list);

#include "app/gui/wx_update_list.h"

#include <algorithm>
#include <cstring>

#include "app/gui/wx_text.h"

wxIMPLEMENT_DYNAMIC_CLASS(CCatalogueListCtrl, wxListCtrl);

namespace {
constexpr std::size_t kPieceSize = 64 * 1024;
}  // namespace

wxString CCatalogueListCtrl::OnGetItemText(long item, long column) const {
  if (m_pRows == nullptr)
    return wxString();
  return ToWx(m_pRows->Cell(static_cast<int>(item), static_cast<int>(column)));
}

wxItemAttr* CCatalogueListCtrl::OnGetItemAttr(long item) const {
  if (m_pRows == nullptr || !m_pRows->IsMarked(static_cast<int>(item)))
    return nullptr;
  if (!m_pendingAttr.HasFont())
    m_pendingAttr.SetFont(GetFont().Bold());
  return &m_pendingAttr;
}

WxUpdateList::WxUpdateList(CCatalogueListCtrl* list) : m_control(list) {
  m_control->SetRows(this);
}

WxUpdateList::~WxUpdateList() {
  m_control->SetRows(nullptr);
}

int WxUpdateList::RowCount() const {
  return static_cast<int>(m_rows.size());
}

int WxUpdateList::ColumnCount() const {
  return m_control->GetColumnCount();
}

int WxUpdateList::ClientWidth() const {
  return m_control->GetClientSize().x;
}

void WxUpdateList::InsertColumn(int, const std::string& heading, int width) {
  // Cells are kept by column number: a column put between others would move
  // every cell after it, which a list filled a column at a time never asks.
  m_control->InsertColumn(ColumnCount(), ToWx(heading), wxLIST_FORMAT_LEFT, width);
}

void WxUpdateList::SetColumnWidth(int column, int width) {
  if (column >= 0 && column < ColumnCount())
    m_control->SetColumnWidth(column, width);
}

int WxUpdateList::ColumnWidth(int column) const {
  return column >= 0 && column < ColumnCount() ? m_control->GetColumnWidth(column) : 0;
}

int WxUpdateList::InsertRow(int row, const std::string& text) {
  row = std::clamp(row, 0, RowCount());
  m_rows.insert(m_rows.begin() + row, Row{});
  SetCellText(row, 0, text);
  // The control learns of the rows in one go (EndInsertRows), or when one is
  // selected: telling it of each would cost a redraw of its scroll bars apiece.
  return row;
}

void WxUpdateList::EndInsertRows() {
  ShowRows();
}

void WxUpdateList::SetCellText(int row, int column, const std::string& text) {
  if (row < 0 || row >= RowCount() || column < 0 || (column > 0 && column >= ColumnCount()))
    return;
  Row& kept = m_rows[static_cast<std::size_t>(row)];
  const auto wanted = static_cast<std::uint32_t>(column) + 1;
  if (kept.cells < wanted) {
    // A row's cells stay together: they grow in place at the end of the
    // table (as a list filled row by row always has them), else move there.
    if (kept.firstCell + kept.cells != m_cells.size()) {
      const std::vector<Span> cells(m_cells.begin() + kept.firstCell,
                                    m_cells.begin() + kept.firstCell + kept.cells);
      kept.firstCell = static_cast<std::uint32_t>(m_cells.size());
      m_cells.insert(m_cells.end(), cells.begin(), cells.end());
    }
    m_cells.resize(kept.firstCell + wanted);
    kept.cells = wanted;
  }
  m_cells[kept.firstCell + static_cast<std::uint32_t>(column)] = Keep(text);
}

WxUpdateList::Span WxUpdateList::Keep(std::string_view text) {
  if (text.empty())
    return {};
  const auto size = static_cast<std::uint32_t>(text.size());
  if (text.size() > kPieceSize) {
    // A piece of its own; the piece being filled goes on being filled.
    m_texts.push_back(std::make_unique<char[]>(text.size()));
    std::memcpy(m_texts.back().get(), text.data(), text.size());
    return {static_cast<std::uint32_t>(m_texts.size() - 1), 0, size};
  }
  if (m_fillingPiece == kNoPiece || kPieceSize - m_fillingUsed < text.size()) {
    m_texts.push_back(std::make_unique<char[]>(kPieceSize));
    m_fillingPiece = m_texts.size() - 1;
    m_fillingUsed = 0;
  }
  std::memcpy(m_texts[m_fillingPiece].get() + m_fillingUsed, text.data(), text.size());
  const Span span{static_cast<std::uint32_t>(m_fillingPiece),
                  static_cast<std::uint32_t>(m_fillingUsed), size};
  m_fillingUsed += text.size();
  return span;
}

std::string_view WxUpdateList::Cell(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0)
    return {};
  const Row& kept = m_rows[static_cast<std::size_t>(row)];
  if (static_cast<std::uint32_t>(column) >= kept.cells)
    return {};
  const Span span = m_cells[kept.firstCell + static_cast<std::uint32_t>(column)];
  if (span.size == 0)
    return {};
  return {m_texts[span.piece].get() + span.offset, span.size};
}

std::string WxUpdateList::CellText(int row, int column) const {
  return HasCell(row, column) ? std::string(Cell(row, column)) : std::string();
}

void WxUpdateList::SetRowItem(int row, CXMLVar* item) {
  if (row >= 0 && row < RowCount())
    m_rows[static_cast<std::size_t>(row)].item = item;
}

CXMLVar* WxUpdateList::RowItem(int row) const {
  if (row < 0 || row >= RowCount())
    return nullptr;
  return m_rows[static_cast<std::size_t>(row)].item;
}

void WxUpdateList::SelectRow(int row) {
  ShowRows();
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

void WxUpdateList::MarkRow(int row, bool pending) {
  if (row < 0 || row >= RowCount() || m_rows[static_cast<std::size_t>(row)].marked == pending)
    return;
  m_rows[static_cast<std::size_t>(row)].marked = pending;
}

void WxUpdateList::EndMarkRows() {
  m_control->Refresh();
}

bool WxUpdateList::IsMarked(int row) const {
  return row >= 0 && row < RowCount() && m_rows[static_cast<std::size_t>(row)].marked;
}

bool WxUpdateList::HasCell(int row, int column) const {
  return row >= 0 && row < RowCount() && column >= 0 && column < ColumnCount();
}

void WxUpdateList::ShowRows() {
  if (m_control->GetItemCount() != RowCount())
    m_control->SetItemCount(RowCount());
}

#include "app/gui/update_view.h"

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/stattext.h>
#include <algorithm>

#ifdef __WXMSW__
#include <wx/msw/wrapcctl.h>
#endif

#include "app/gui/first_paint.h"
#include "app/gui/printing.h"
#include "app/gui/resources.h"
#include "app/gui/update_view_host.h"
#include "app/gui/wx_text.h"
#include "catalogue/update_doc.h"
#include "guard/running_programs.h"
#include "support/commands.h"
#include "support/startup_trace.h"

namespace {

// The list as its template has it: report view, single selection, a plain
// border, a tab stop. The toolkit gives its lists on Windows a sunken edge,
// keeps the selection shown without the focus, selects whole rows and lets
// the header's columns be dragged around.
void MatchTemplateListStyle([[maybe_unused]] wxListCtrl* list) {
#ifdef __WXMSW__
  const HWND window = static_cast<HWND>(list->GetHWND());
  const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
  ::SetWindowLongPtrW(window, GWL_STYLE, (style & ~LVS_SHOWSELALWAYS) | WS_BORDER | WS_TABSTOP);
  const LONG_PTR extended = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  ::SetWindowLongPtrW(window, GWL_EXSTYLE, extended & ~WS_EX_CLIENTEDGE);
  ListView_SetExtendedListViewStyleEx(window, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP, 0);
  ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
#endif
}

void SetLabelIfChanged(wxWindow* parent, int id, const std::string& text) {
  auto* label = wxDynamicCast(parent->FindWindow(id), wxStaticText);
  const wxString shown = ToWx(text);
  if (label != nullptr && label->GetLabelText() != shown)
    label->SetLabelText(shown);
}

}  // namespace

CUpdateView::CUpdateView(CUpdateDoc& doc, UpdateViewHost& host)
    : m_doc(doc), m_host(host), m_timer(this, kTimerId) {}

CUpdateView::~CUpdateView() {
  m_timer.Stop();
}

bool CUpdateView::Create(wxWindow* parent) {
  if (!LoadResources() || !LoadFormResource(this, parent, cmd::kFormTemplate))
    return false;
  m_formSize = ConvertDialogToPixels(kFormSize);
  SetClientSize(m_formSize);
  // A line is a hundredth of the form, as the framework's scrolling view has it.
  SetScrollRate(std::max(1, m_formSize.x / 100), std::max(1, m_formSize.y / 100));
  SetVirtualSize(m_formSize);
  m_listControl = wxDynamicCast(FindWindow(cmd::kUpdateList), CCatalogueListCtrl);
  if (m_listControl == nullptr)
    return false;
  MatchTemplateListStyle(m_listControl);
  m_list = std::make_unique<WxUpdateList>(m_listControl);
  m_logic = std::make_unique<UpdateViewLogic>(m_doc, *m_list, static_cast<ProgressDisplay&>(*this),
                                              [] { return CheckRunningPrograms(); });
  Bind(wxEVT_BUTTON, &CUpdateView::OnButton, this);
  Bind(wxEVT_TIMER, &CUpdateView::OnTimer, this, kTimerId);
  m_timer.Start(kTimerPeriodMs);
  if (StartupTraceOn())
    WhenFirstPainted(m_listControl, [] { TraceStartup("list painted"); });
  return true;
}

void CUpdateView::OnInitialUpdate() {
  m_logic->OnUpdate(cmd::kHintCatalogue);
  m_host.ShrinkToView();
  m_logic->LoadAndStart();
}

void CUpdateView::OnUpdate(int hint) {
  m_logic->OnUpdate(hint);
}

bool CUpdateView::OnCommand(int commandId) {
  switch (commandId) {
    case cmd::kFilePrint:
      PrintView(this, true, PrintJobName(m_doc.GetTitle()));
      return true;
    case cmd::kFilePrintDirect:
      PrintView(this, false, PrintJobName(m_doc.GetTitle()));
      return true;
    case cmd::kFilePrintPreview:
      PreviewView(wxGetTopLevelParent(this), PrintJobName(m_doc.GetTitle()));
      return true;
    default:
      return m_logic->OnCommand(commandId);
  }
}

void CUpdateView::OpenProgress() {
  m_progress.Open(this);
}

void CUpdateView::OnTimer(wxTimerEvent&) {
  m_logic->RefreshProgress();
}

void CUpdateView::OnButton(wxCommandEvent& event) {
  // A button is its command: the frame routes it like a menu item.
  m_host.RouteCommand(event.GetId());
}

void CUpdateView::SetProgressLabels(const std::string& kilobytes, const std::string& percent) {
  SetLabelIfChanged(this, cmd::kKilobytesLabel, kilobytes);
  SetLabelIfChanged(this, cmd::kPercentLabel, percent);
}

bool CUpdateView::IsProgressOpen() const {
  return m_progress.HasWindow();
}

void CUpdateView::SetProgressTitle(const std::string& title) {
  m_progress.SetTitle(title);
}

void CUpdateView::SetProgressPosition(int percent) {
  m_progress.SetPosition(percent);
}

void CUpdateView::CloseProgress() {
  m_progress.DestroyWindow();
}

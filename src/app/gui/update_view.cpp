#include "app/gui/update_view.h"

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/stattext.h>
#include <wx/xrc/xmlres.h>

#include "app/gui/first_paint.h"
#include "app/gui/main_frame.h"
#include "app/gui/printing.h"
#include "app/gui/resources.h"
#include "app/gui/wx_text.h"
#include "catalogue/update_doc.h"
#include "guard/running_programs.h"
#include "support/commands.h"
#include "support/startup_trace.h"

namespace {

void SetLabelIfChanged(wxWindow* parent, int id, const std::string& text) {
  auto* label = wxDynamicCast(parent->FindWindow(id), wxStaticText);
  const wxString shown = ToWx(text);
  if (label != nullptr && label->GetLabelText() != shown)
    label->SetLabelText(shown);
}

}  // namespace

CUpdateView::CUpdateView(CUpdateDoc& doc) : m_doc(doc), m_timer(this, kTimerId) {}

CUpdateView::~CUpdateView() {
  m_timer.Stop();
}

bool CUpdateView::Create(wxWindow* parent) {
  if (!LoadResources() || !wxXmlResource::Get()->LoadPanel(this, parent, "101"))
    return false;
  SetClientSizeInDialogUnits(this, kFormSize);
  m_listControl = wxDynamicCast(FindWindow(cmd::kUpdateList), CCatalogueListCtrl);
  if (m_listControl == nullptr)
    return false;
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
  if (auto* frame = wxDynamicCast(GetParent(), CMainFrame))
    frame->ShrinkToView();
  m_logic->LoadAndStart();
}

void CUpdateView::OnUpdate(int hint) {
  m_logic->OnUpdate(hint);
}

bool CUpdateView::OnCommand(int commandId) {
  switch (commandId) {
    case cmd::kFilePrint:
      PrintView(this, true);
      return true;
    case cmd::kFilePrintDirect:
      PrintView(this, false);
      return true;
    case cmd::kFilePrintPreview:
      PreviewView(wxGetTopLevelParent(this));
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
  if (auto* frame = wxDynamicCast(GetParent(), CMainFrame)) {
    frame->RouteCommand(event.GetId());
  } else {
    OnCommand(event.GetId());
  }
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

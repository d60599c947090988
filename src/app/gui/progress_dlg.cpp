#include "app/gui/progress_dlg.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/stattext.h>
#include <wx/xrc/xmlres.h>
#include <algorithm>

#include "app/gui/resources.h"
#include "app/gui/wx_text.h"
#include "app/progress_figures.h"
#include "support/commands.h"

namespace {

// The window itself: it ignores every way a user has of dismissing it.
class ProgressWindow : public wxDialog {
 public:
  bool Create(wxWindow* parent) {
    if (!LoadResources() || !LoadDialogResource(this, parent, cmd::kProgressDialog))
      return false;
    SetEscapeId(wxID_NONE);
    SetAffirmativeId(wxID_NONE);
    Bind(
        wxEVT_BUTTON, [](wxCommandEvent&) {}, cmd::kDialogCancel);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
      if (event.CanVeto()) {
        event.Veto();
      } else {
        Destroy();
      }
    });
    SetClientSizeInDialogUnits(this, kProgressDialogSize);
    return true;
  }
};

}  // namespace

CProgressDlg::CProgressDlg(int titleId)
    : m_nTitleId(titleId != 0 ? titleId : cmd::kProgressTitleString) {}

CProgressDlg::~CProgressDlg() {
  if (HasWindow())
    DestroyWindow();
}

bool CProgressDlg::Open(wxWindow* parent) {
  if (HasWindow())
    return true;
  m_pOwner = parent != nullptr ? wxGetTopLevelParent(parent) : nullptr;
  if (m_pOwner && m_pOwner->IsEnabled()) {
    m_pOwner->Disable();
    m_bOwnerDisabled = true;
  }
  auto* window = new ProgressWindow;
  if (!window->Create(parent)) {
    delete window;
    RestoreOwner();
    return false;
  }
  m_pWindow = window;
  // OnInitDialog: the bar's range and start, and the title from the string
  // table. The percentage keeps " 0 %" until the first SetPosition.
  Bar()->SetRange(m_nRangeHigh - m_nRangeLow);
  Bar()->SetValue(0);
  window->SetTitle(ToWx(LoadResourceString(m_nTitleId)));
  // At start-up (/ALL, /RUN) the main window is not shown yet and has no place
  // on the screen to centre on.
  if (parent != nullptr && wxGetTopLevelParent(parent)->IsShown())
    window->CentreOnParent();
  else
    window->CentreOnScreen();
  window->Show();
  return true;
}

int CProgressDlg::SetPosition(int position) {
  DrainMessages();
  // A handler run while draining may have closed the window.
  if (!HasWindow())
    return m_nRangeLow;
  wxGauge* bar = Bar();
  const int previous = bar->GetValue() + m_nRangeLow;
  bar->SetValue(std::clamp(position, m_nRangeLow, m_nRangeHigh) - m_nRangeLow);
  RefreshPercentText(position);
  return previous;
}

void CProgressDlg::DestroyWindow() {
  RestoreOwner();
  if (wxDialog* window = m_pWindow.get()) {
    m_pWindow = nullptr;
    window->Destroy();
  }
}

void CProgressDlg::SetTitle(const std::string& title) {
  if (HasWindow())
    m_pWindow->SetTitle(ToWx(title));
}

void CProgressDlg::DrainMessages() {
  // Every pending event of the thread, the main window's posted commands
  // included; a nested call (from a handler run here) does nothing.
  if (wxTheApp != nullptr)
    wxTheApp->Yield(true);
}

void CProgressDlg::RefreshPercentText(int position) {
  const wxString text = ToWx(PercentText(position, m_nRangeLow, m_nRangeHigh));
  wxStaticText* label = PercentLabel();
  if (label != nullptr && label->GetLabel() != text)
    label->SetLabel(text);
}

void CProgressDlg::RestoreOwner() {
  if (m_bOwnerDisabled && m_pOwner)
    m_pOwner->Enable();
  m_bOwnerDisabled = false;
}

wxGauge* CProgressDlg::Bar() const {
  return wxStaticCast(m_pWindow->FindWindow(cmd::kProgressBar), wxGauge);
}

wxStaticText* CProgressDlg::PercentLabel() const {
  return wxDynamicCast(m_pWindow->FindWindow(cmd::kProgressPercent), wxStaticText);
}

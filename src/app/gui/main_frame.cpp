#include "app/gui/main_frame.h"

#include <algorithm>

#ifdef __WXMSW__
#include <wx/msw/wrapwin.h>
#else
#include "app/gui/main_menu.h"
#endif

#include "app/gui/resources.h"
#include "app/gui/update_view.h"
#include "app/gui/wx_text.h"
#include "catalogue/update_doc.h"
#include "support/commands.h"

CMainFrame::CMainFrame(CUpdateDoc& doc, Hooks hooks) : m_doc(doc), m_hooks(std::move(hooks)) {}

CMainFrame::~CMainFrame() {
  if (m_hooks.destroyed)
    m_hooks.destroyed(this);
}

bool CMainFrame::Create() {
  if (!LoadResources())
    return false;
  if (!wxFrame::Create(nullptr, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                       wxDEFAULT_FRAME_STYLE))
    return false;
#ifdef __WXMSW__
  if (!AttachResourceMenu())
    return false;
  SetFont(FormTemplateFont());
#else
  SetMenuBar(CreateMainMenu());
  SetAcceleratorTable(CreateMainAccelerators());
#endif
  SetIcons(ApplicationIcons());

  m_pView = new CUpdateView(m_doc, *this);
  if (!m_pView->Create(this)) {
    m_pView->Destroy();
    m_pView = nullptr;
    return false;
  }
  SetClientSize(m_pView->FormSize());
  RefreshTitle();

  Bind(wxEVT_MENU, &CMainFrame::OnMenu, this);
  Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
  Bind(wxEVT_IDLE, &CMainFrame::OnIdle, this);
  return true;
}

void CMainFrame::RouteCommand(int commandId) {
  switch (commandId) {
    case cmd::kAppExit:
    case cmd::kCloseMainWindow:
      Close();
      return;
    default:
      break;
  }
  if (m_pView != nullptr && m_pView->OnCommand(commandId))
    return;
  if (m_doc.OnCommand(commandId))
    return;
  if (m_hooks.applicationCommand)
    m_hooks.applicationCommand(commandId);
}

void CMainFrame::RefreshTitle() {
  std::string title = m_doc.GetTitle();
  if (title.empty())
    title = "Untitled";
  const wxString shown = ToWx(title + " - " + LoadResourceString(kAppTitleStringId));
  if (GetTitle() != shown)
    SetTitle(shown);
}

void CMainFrame::ShrinkToView() {
  if (m_pView == nullptr)
    return;
  const wxSize form = m_pView->FormSize();
  const wxSize client = GetClientSize();
  SetClientSize(std::min(form.x, client.x), std::min(form.y, client.y));
}

void CMainFrame::OnMenu(wxCommandEvent& event) {
#ifdef __WXMSW__
  // The menu and the accelerators arrive as WM_COMMAND (MSWWindowProc); what
  // comes here is a command the Desktop queued, by its own id.
  RouteCommand(event.GetId());
#else
  RouteCommand(CommandForEventId(event.GetId()));
#endif
}

void CMainFrame::OnClose(wxCloseEvent&) {
  if (IsBeingDeleted())
    return;
  if (m_pView != nullptr)
    m_pView->Progress().DestroyWindow();
  Hide();
  if (m_hooks.closing)
    m_hooks.closing();
  Destroy();
}

void CMainFrame::OnIdle(wxIdleEvent& event) {
  RefreshTitle();
  event.Skip();
}

#ifdef __WXMSW__
bool CMainFrame::AttachResourceMenu() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  const HMENU menu = ::LoadMenuW(instance, MAKEINTRESOURCEW(cmd::kMainFrameResource));
  // The window owns its menu from here on, and destroys it with itself.
  if (menu == nullptr || !::SetMenu(static_cast<HWND>(GetHWND()), menu))
    return false;
  SetAcceleratorTable(wxAcceleratorTable(wxString::Format("#%d", cmd::kMainFrameResource)));
  return true;
}

WXLRESULT CMainFrame::MSWWindowProc(WXUINT message, WXWPARAM wParam, WXLPARAM lParam) {
  // A control's notification carries the control's window; a menu command,
  // an accelerator's or one another program posts carries none.
  if (message == WM_COMMAND && lParam == 0) {
    RouteCommand(LOWORD(wParam));
    return 0;
  }
  return wxFrame::MSWWindowProc(message, wParam, lParam);
}
#endif

// The main window: menu 128 and its accelerators, no toolbar and no status
// bar, the title "<document title> - update", and the update view as its only
// child.
//
// On Windows the menu and the accelerators are the program's resources 128,
// and every command that reaches the window as a menu command (WM_COMMAND
// from the menu, an accelerator, or posted by another program) is taken by
// its full 16-bit id, as the framework takes it: the toolkit would read ids
// from 32768 up as negative numbers and lose them. The window's font is the
// form template's, so that the form's dialog units are the template's.
//
// Every command (menu item, accelerator, button, or one posted through the
// Desktop) is routed frame -> view -> document -> application; a command
// that nobody handles does nothing. Closing the window closes the progress
// dialog, makes the Desktop answer the worker's calls at once, and waits for
// a running transfer before the window goes, so nothing is freed under it.
// UI thread only, except that commands may be queued to it from any thread.
#pragma once

#include <wx/frame.h>
#include <functional>
#include <string>

#include "app/gui/update_view_host.h"

class CUpdateDoc;
class CUpdateView;

class CMainFrame : public wxFrame, public UpdateViewHost {
 public:
  struct Hooks {
    // The application's commands; true when handled.
    std::function<bool(int commandId)> applicationCommand;
    // The window is closing; the worker must be let go and waited for.
    std::function<void()> closing;
    // The window is being deleted, closed or not: nothing may reach it now.
    std::function<void(CMainFrame* frame)> destroyed;
  };

  CMainFrame(CUpdateDoc& doc, Hooks hooks);
  ~CMainFrame() override;

  // Makes the window, its menu, accelerators and view (not shown yet).
  // False when any of them can't be made.
  bool Create();

  CUpdateView* View() const { return m_pView; }
  void RouteCommand(int commandId) override;
  void RefreshTitle();
  void ShrinkToView() override;

 private:
  void OnMenu(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnIdle(wxIdleEvent& event);
#ifdef __WXMSW__
  WXLRESULT MSWWindowProc(WXUINT message, WXWPARAM wParam, WXLPARAM lParam) override;
  bool AttachResourceMenu();
#endif

  CUpdateDoc& m_doc;
  Hooks m_hooks;
  CUpdateView* m_pView = nullptr;
};

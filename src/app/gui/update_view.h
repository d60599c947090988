// The update view: form 101, the catalogue's updates in a list beside a
// column of buttons, two progress labels, and the progress dialog. Like the
// framework's form view it scrolls, in both directions, when its window is
// smaller than the form.
//
// The view shows; what it does lives in UpdateViewLogic (the core), which it
// drives from its buttons, its commands, the document's updates and a timer
// that ticks once a second for the life of the view. UI thread only.
#pragma once

#include <wx/panel.h>
#include <wx/scrolwin.h>
#include <wx/timer.h>
#include <memory>

#include "app/gui/progress_dlg.h"
#include "app/gui/wx_update_list.h"
#include "app/update_view_logic.h"

class CUpdateDoc;
class UpdateViewHost;

class CUpdateView : public wxScrolled<wxPanel>, private ProgressDisplay {
 public:
  static constexpr int kTimerId = 1;
  static constexpr int kTimerPeriodMs = 1000;

  // `host` is the window the view is made in; it outlives the view.
  CUpdateView(CUpdateDoc& doc, UpdateViewHost& host);
  ~CUpdateView() override;

  // Makes the form inside `parent` and starts the timer; false when the form
  // can't be made.
  bool Create(wxWindow* parent);
  // The form's size in pixels, whatever the window's.
  wxSize FormSize() const { return m_formSize; }

  // The framework's first update (and again after New and Open): the list
  // is filled from whatever catalogue is there, the frame shrinks to the
  // form, the catalogue is loaded, and "ALL" and "RUN" are carried out.
  void OnInitialUpdate();
  void OnUpdate(int hint);
  // The view's commands, printing included; false for any other.
  bool OnCommand(int commandId);
  // Opens the progress dialog over the main window.
  void OpenProgress();

  wxListCtrl* List() const { return m_listControl; }
  UpdateList& ListView() { return *m_list; }
  CProgressDlg& Progress() { return m_progress; }

 private:
  void OnTimer(wxTimerEvent& event);
  void OnButton(wxCommandEvent& event);

  void SetProgressLabels(const std::string& kilobytes, const std::string& percent) override;
  bool IsProgressOpen() const override;
  void SetProgressTitle(const std::string& title) override;
  void SetProgressPosition(int percent) override;
  void CloseProgress() override;

  CUpdateDoc& m_doc;
  UpdateViewHost& m_host;
  // The form's list control, and the logic's list over it.
  CCatalogueListCtrl* m_listControl = nullptr;
  std::unique_ptr<WxUpdateList> m_list;
  std::unique_ptr<UpdateViewLogic> m_logic;
  CProgressDlg m_progress;
  wxTimer m_timer;
  wxSize m_formSize;
};

// The progress dialog: a modeless window over the main window while
// installers are transferred. It disables its top-level owner while it is
// open, cannot be dismissed by the user (Enter, Esc, Cancel and the close box
// do nothing), and is moved forward and closed by the update view only.
//
// The object lives with the view; its window exists only between Open and
// DestroyWindow, and there is never more than one. UI thread only.
#pragma once

#include <wx/dialog.h>
#include <wx/weakref.h>
#include <string>

class wxGauge;
class wxStaticText;

class CProgressDlg {
 public:
  // `titleId` names the initial title in the string table; 0 means 105,
  // which holds nothing, so the title starts empty.
  explicit CProgressDlg(int titleId = 0);
  ~CProgressDlg();
  CProgressDlg(const CProgressDlg&) = delete;
  CProgressDlg& operator=(const CProgressDlg&) = delete;

  // Disables the parent's top-level window (when it was enabled) and shows
  // the dialog. While the window is open a second Open keeps it and returns
  // true. False, with the owner as it was, when the window can't be made.
  bool Open(wxWindow* parent);

  // Handles every pending event first (so a posted "Complete" is carried out
  // before this returns), then moves the bar and its percentage text.
  // Returns the bar's previous position.
  int SetPosition(int position);

  // Closes the window and enables the owner again if this dialog disabled
  // it. Nothing happens without a window.
  void DestroyWindow();

  bool HasWindow() const { return m_pWindow != nullptr; }
  void SetTitle(const std::string& title);

  // The open window, or nullptr (for tests and screenshots).
  wxDialog* Window() const { return m_pWindow.get(); }

 private:
  void DrainMessages();
  void RefreshPercentText(int position);
  void RestoreOwner();
  wxGauge* Bar() const;
  wxStaticText* PercentLabel() const;

  int m_nTitleId;
  int m_nRangeLow = 0;
  int m_nRangeHigh = 100;
  wxWeakRef<wxWindow> m_pOwner;
  bool m_bOwnerDisabled = false;
  wxWeakRef<wxDialog> m_pWindow;
};

// The application's message box: the text, an OK button, no icon, the
// application's title as caption; modal. UI thread only.
#pragma once

#include <wx/dialog.h>

// Shows the message box over `parent` (none: over the whole application) and
// returns once the user has closed it. On Windows it is the system's own
// (MessageBox with MB_OK and no icon), as every program of the suite shows
// its messages; elsewhere a CMessageBox.
void ShowApplicationMessageBox(wxWindow* parent, const wxString& text);

class CMessageBox : public wxDialog {
 public:
  CMessageBox(wxWindow* parent, const wxString& text);

  const wxString& Text() const { return m_text; }

 private:
  wxString m_text;
};

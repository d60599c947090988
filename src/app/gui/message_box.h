// The application's message box: the text, an OK button, no icon, the
// application's title as caption; modal. UI thread only.
#pragma once

#include <wx/dialog.h>

class CMessageBox : public wxDialog {
 public:
  CMessageBox(wxWindow* parent, const wxString& text);

  const wxString& Text() const { return m_text; }

 private:
  wxString m_text;
};

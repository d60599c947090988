#include "app/gui/message_box.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "app/gui/resources.h"
#include "app/gui/wx_text.h"

CMessageBox::CMessageBox(wxWindow* parent, const wxString& text)
    : wxDialog(parent, wxID_ANY, ToWx(LoadResourceString(kAppTitleStringId))), m_text(text) {
  SetName("message");
  auto* label = new wxStaticText(this, wxID_ANY, wxString());
  // Shown as it stands: an '&' in a file name is no mnemonic.
  label->SetLabelText(text);
  label->Wrap(ConvertDialogToPixels(wxSize(280, 0)).x);
  auto* ok = new wxButton(this, wxID_OK, "OK");
  ok->SetDefault();

  auto* column = new wxBoxSizer(wxVERTICAL);
  // A short text still gets a box of a size people expect of a message.
  column->SetMinSize(ConvertDialogToPixels(wxSize(150, 0)));
  column->Add(label, wxSizerFlags().Border(wxALL, 12));
  column->Add(ok, wxSizerFlags().Center().Border(wxLEFT | wxRIGHT | wxBOTTOM, 12));
  SetSizerAndFit(column);
  SetEscapeId(wxID_OK);
  CentreOnParent();
  ok->SetFocus();
}

void ShowApplicationMessageBox(wxWindow* parent, const wxString& text) {
#ifdef _WIN32
  const wxString title = ToWx(LoadResourceString(kAppTitleStringId));
  // Without an owner the box is modal to every window of the thread.
  const HWND owner = parent != nullptr ? static_cast<HWND>(parent->GetHWND()) : nullptr;
  ::MessageBoxW(owner, text.wc_str(), title.wc_str(), MB_OK | (owner ? 0 : MB_TASKMODAL));
#else
  CMessageBox dialog(parent, text);
  dialog.ShowModal();
#endif
}

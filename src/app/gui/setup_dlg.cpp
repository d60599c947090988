#include "app/gui/setup_dlg.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include "app/gui/resources.h"
#include "app/gui/wx_text.h"

namespace {
constexpr int kFolderEditId = 1012;
}

int CSetupDlg::DoModal() {
  wxDialog dialog;
  // No explicit parent: like the framework, the dialog belongs to the main
  // window.
  wxWindow* parent = wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr;
  if (!LoadResources() || !wxXmlResource::Get()->LoadDialog(&dialog, parent, "133"))
    return kCancel;
  SetClientSizeInDialogUnits(&dialog, kSetupDialogSize);
  auto* edit = wxStaticCast(dialog.FindWindow(kFolderEditId), wxTextCtrl);
  edit->ChangeValue(ToWx(m_strInstallers));
  edit->SelectAll();
  edit->SetFocus();
  dialog.CentreOnParent();
  if (dialog.ShowModal() != wxID_OK)
    return kCancel;
  m_strInstallers = FromWx(edit->GetValue());
  return kOk;
}

#include "app/gui/setup_dlg.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include "app/gui/resources.h"
#include "app/gui/wx_text.h"
#include "support/commands.h"

int CSetupDlg::DoModal() {
  wxDialog dialog;
  // No explicit parent: like the framework, the dialog belongs to the main
  // window.
  wxWindow* parent = wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr;
  if (!LoadResources() || !LoadDialogResource(&dialog, parent, cmd::kSetupDialog))
    return kCancel;
  SetClientSizeInDialogUnits(&dialog, kSetupDialogSize);
  auto* edit = wxStaticCast(dialog.FindWindow(cmd::kInstallersFolder), wxTextCtrl);
  edit->ChangeValue(ToWx(m_strInstallers));
  edit->SelectAll();
  edit->SetFocus();
  dialog.CentreOnParent();
  if (dialog.ShowModal() != kOk)
    return kCancel;
  m_strInstallers = FromWx(edit->GetValue());
  return kOk;
}

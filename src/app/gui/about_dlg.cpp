#include "app/gui/about_dlg.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/xrc/xmlres.h>
#include <string>

#include "app/gui/resources.h"
#include "app/gui/wx_text.h"
#include "brand/brand_text.h"
#include "support/commands.h"

int CAboutDlg::DoModal() {
  wxDialog dialog;
  wxWindow* parent = wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr;
  if (!LoadResources() || !LoadDialogResource(&dialog, parent, cmd::kAboutDialog))
    return cmd::kDialogCancel;
  SetClientSizeInDialogUnits(&dialog, kAboutDialogSize);
  XRCCTRL(dialog, "about_icon", wxStaticBitmap)->SetIcon(ApplicationIcon());
  // The product line names the maker; the skin's brand replaces it.
  auto* productLine = wxStaticCast(dialog.FindWindow(cmd::kProductLine), wxStaticText);
  std::string text = FromWx(productLine->GetLabelText());
  BrandText(text);
  productLine->SetLabelText(ToWx(text));
  dialog.CentreOnParent();
  return dialog.ShowModal();
}

#include "app/gui/printing.h"

#include <wx/printdlg.h>

#ifdef __WXMSW__
#include <wx/msw/printdlg.h>
#include <wx/msw/wrapcdlg.h>
#endif

#include "app/gui/wx_text.h"

namespace {

constexpr std::size_t kLongestJobName = 31;

wxPrintDialogData& PrintSettings() {
  static wxPrintDialogData settings;
  return settings;
}

}  // namespace

wxString PrintJobName(const std::string& documentTitle) {
  return ToWx(documentTitle.substr(0, kLongestJobName));
}

void CEmptyPrintout::GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) {
  *minPage = *maxPage = *pageFrom = *pageTo = 1;
}

void PrintView(wxWindow* parent, bool askUser, const wxString& jobName) {
  wxPrinter printer(&PrintSettings());
  CEmptyPrintout printout(jobName);
  // A cancelled or failed print shows nothing more: the page was empty.
  if (printer.Print(parent, &printout, askUser))
    PrintSettings() = printer.GetPrintDialogData();
}

wxFrame* PreviewView(wxWindow* parent, const wxString& jobName) {
  auto* preview = new wxPrintPreview(new CEmptyPrintout(jobName), new CEmptyPrintout(jobName),
                                     &PrintSettings());
  if (!preview->IsOk()) {
    delete preview;
    return nullptr;
  }
  auto* frame = new wxPreviewFrame(preview, parent, "Print Preview");
  frame->Initialize();
  frame->Show();
  return frame;
}

#ifdef __WXMSW__
// The toolkit shows only the print and page set-up dialogs; the printer
// set-up is the system's print dialog in its set-up form, on the same
// printer settings (the toolkit keeps them as the system's DEVMODE and
// DEVNAMES, which the dialog may replace).
void RunPrintSetup(wxWindow* parent) {
  wxPrintData& data = PrintSettings().GetPrintData();
  auto* native = static_cast<wxWindowsPrintNativeData*>(data.GetNativeData());
  native->TransferFrom(data);
  PRINTDLGW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = parent != nullptr ? static_cast<HWND>(parent->GetHWND()) : nullptr;
  dialog.hDevMode = static_cast<HGLOBAL>(native->GetDevMode());
  dialog.hDevNames = static_cast<HGLOBAL>(native->GetDevNames());
  dialog.Flags = PD_PRINTSETUP;
  const bool confirmed = ::PrintDlgW(&dialog) != FALSE;
  native->SetDevMode(dialog.hDevMode);
  native->SetDevNames(dialog.hDevNames);
  if (confirmed)
    native->TransferTo(data);
}
#else
void RunPrintSetup(wxWindow* parent) {
  wxPageSetupDialogData setup(PrintSettings().GetPrintData());
  wxPageSetupDialog dialog(parent, &setup);
  if (dialog.ShowModal() == wxID_OK)
    PrintSettings().SetPrintData(dialog.GetPageSetupDialogData().GetPrintData());
}
#endif

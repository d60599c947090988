#include "app/gui/printing.h"

#include <wx/printdlg.h>

namespace {

wxPrintDialogData& PrintSettings() {
  static wxPrintDialogData settings;
  return settings;
}

}  // namespace

void CEmptyPrintout::GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) {
  *minPage = *maxPage = *pageFrom = *pageTo = 1;
}

void PrintView(wxWindow* parent, bool askUser) {
  wxPrinter printer(&PrintSettings());
  CEmptyPrintout printout;
  // A cancelled or failed print shows nothing more: the page was empty.
  if (printer.Print(parent, &printout, askUser))
    PrintSettings() = printer.GetPrintDialogData();
}

wxFrame* PreviewView(wxWindow* parent) {
  auto* preview = new wxPrintPreview(new CEmptyPrintout, new CEmptyPrintout, &PrintSettings());
  if (!preview->IsOk()) {
    delete preview;
    return nullptr;
  }
  auto* frame = new wxPreviewFrame(preview, parent, "Print Preview");
  frame->Initialize();
  frame->Show();
  return frame;
}

void RunPrintSetup(wxWindow* parent) {
  wxPageSetupDialogData setup(PrintSettings().GetPrintData());
  wxPageSetupDialog dialog(parent, &setup);
  if (dialog.ShowModal() == wxID_OK)
    PrintSettings().SetPrintData(dialog.GetPageSetupData().GetPrintData());
}

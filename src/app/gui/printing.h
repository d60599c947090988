// Printing of the update view, as the framework's standard commands offer it:
// the view draws nothing on paper, so Print and Print Preview give one empty
// page. The printer settings are kept for the run, as the framework keeps
// them for the application. UI thread only.
#pragma once

#include <wx/print.h>

// One page on which nothing is drawn.
class CEmptyPrintout : public wxPrintout {
 public:
  CEmptyPrintout() : wxPrintout("update") {}
  bool HasPage(int page) override { return page == 1; }
  void GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) override;
  bool OnPrintPage(int page) override { return page == 1; }
};

// Print (with the print dialog when `askUser`, else straight to the printer).
void PrintView(wxWindow* parent, bool askUser);
// A preview window over `parent`; returns it (nullptr when the preview could
// not be prepared).
wxFrame* PreviewView(wxWindow* parent);
// The page set-up dialog.
void RunPrintSetup(wxWindow* parent);

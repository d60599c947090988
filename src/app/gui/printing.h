// Printing of the update view, as the framework's standard commands offer it:
// the view draws nothing on paper, so Print and Print Preview give one empty
// page, in a print job named after the document. The printer settings are
// kept for the run, as the framework keeps them for the application.
// UI thread only.
#pragma once

#include <wx/print.h>
#include <string>

// The job name the framework gives a document's print job: its title, cut
// to 31 characters.
wxString PrintJobName(const std::string& documentTitle);

// One page on which nothing is drawn; `jobName` names the print job.
class CEmptyPrintout : public wxPrintout {
 public:
  explicit CEmptyPrintout(const wxString& jobName) : wxPrintout(jobName) {}
  bool HasPage(int page) override { return page == 1; }
  void GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) override;
  bool OnPrintPage(int page) override { return page == 1; }
};

// Print (with the print dialog when `askUser`, else straight to the printer).
void PrintView(wxWindow* parent, bool askUser, const wxString& jobName);
// A preview window over `parent`; returns it (nullptr when the preview could
// not be prepared).
wxFrame* PreviewView(wxWindow* parent, const wxString& jobName);
// Print Setup: on Windows the system's printer set-up dialog (the printer,
// its paper and orientation), as the framework's command shows it; elsewhere
// the toolkit's page set-up, the nearest it has.
void RunPrintSetup(wxWindow* parent);

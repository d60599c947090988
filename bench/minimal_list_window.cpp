// The anchor of the start-up bench: the least a wx program can do to show a
// window holding a filled list (seven columns, 100 rows, report mode). It
// stays open until it is killed. The title is its first argument.
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/wx.h>

class MinimalListApp : public wxApp {
 public:
  bool OnInit() override {
    const wxString title = argc > 1 ? argv[1] : wxString("anchor");
    auto* frame = new wxFrame(nullptr, wxID_ANY, title, wxDefaultPosition, wxSize(800, 500));
    auto* list = new wxListCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                wxLC_REPORT | wxLC_SINGLE_SEL);
    for (int column = 0; column < 7; ++column)
      list->InsertColumn(column, wxString::Format("Field %d", column), wxLIST_FORMAT_LEFT, 100);
    for (int row = 0; row < 100; ++row) {
      list->InsertItem(row, wxString::Format("Update %d", row));
      for (int column = 1; column < 7; ++column)
        list->SetItem(row, column, wxString::Format("value %d.%d", row, column));
    }
    frame->Show();
    return true;
  }
};

wxIMPLEMENT_APP(MinimalListApp);

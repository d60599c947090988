// The anchor of the start-up bench: the least a wx program can do to show a
// window holding a filled list (seven columns, 100 rows, report mode). It
// stays open until it is killed. The title is its first argument.
//
// With OSTREL_STARTUP_TRACE set it writes, as the updater does, the line of
// its list's first paint on standard error, stamped with the monotonic clock
// (written out here: linking the updater's libraries would load theirs).
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/wx.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>

namespace {

void TracePainted() {
  const double now =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
          .count();
  std::fprintf(stderr, "anchor start-up: list painted  [clock %.3f ms]\n", now);
  std::fflush(stderr);
}

// The generic list control paints in its child windows (header and rows):
// painted once each of them has been.
void WhenPainted(wxListCtrl* list) {
  auto unpainted = std::make_shared<std::set<wxWindow*>>();
  for (wxWindow* child : list->GetChildren())
    unpainted->insert(child);
  if (unpainted->empty())
    unpainted->insert(list);
  for (wxWindow* part : *unpainted) {
    part->Bind(wxEVT_PAINT, [part, unpainted](wxPaintEvent& event) {
      event.Skip();
      if (unpainted->erase(part) != 0 && unpainted->empty())
        part->CallAfter([] { TracePainted(); });
    });
  }
}

}  // namespace

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
    const char* trace = std::getenv("OSTREL_STARTUP_TRACE");
    if (trace != nullptr && *trace != '\0')
      WhenPainted(list);
    frame->Show();
    return true;
  }
};

wxIMPLEMENT_APP(MinimalListApp);

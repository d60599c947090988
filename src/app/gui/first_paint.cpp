#include "app/gui/first_paint.h"

#include <wx/window.h>

#include <memory>
#include <set>
#include <utility>

void WhenFirstPainted(wxWindow* window, std::function<void()> painted) {
  struct Waiting {
    std::set<wxWindow*> unpainted;
    std::function<void()> painted;
  };
  auto waiting = std::make_shared<Waiting>();
  waiting->painted = std::move(painted);
  for (wxWindow* child : window->GetChildren())
    waiting->unpainted.insert(child);
  if (waiting->unpainted.empty())
    waiting->unpainted.insert(window);
  for (wxWindow* part : waiting->unpainted) {
    part->Bind(wxEVT_PAINT, [part, waiting](wxPaintEvent& event) {
      // The control paints itself: this only watches.
      event.Skip();
      if (waiting->unpainted.erase(part) == 0 || !waiting->unpainted.empty())
        return;
      // After the paint handlers have run, not before.
      part->CallAfter([waiting] {
        if (waiting->painted)
          std::exchange(waiting->painted, nullptr)();
      });
    });
  }
}

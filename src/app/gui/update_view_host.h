// What the update view asks of the window that holds it: its buttons' commands
// routed as the menu's are, and the window fitted to the form once the form is
// laid out. The main frame implements it and hands itself to the view when it
// makes it; the view never needs to know which window that is. UI thread only.
#pragma once

class UpdateViewHost {
 public:
  // Routes a command the way a menu item's is routed (the view, the
  // document, the application).
  virtual void RouteCommand(int commandId) = 0;
  // Sizes the window to the view's form, never growing it.
  virtual void ShrinkToView() = 0;

 protected:
  ~UpdateViewHost() = default;
};

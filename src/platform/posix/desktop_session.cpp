#include "platform/desktop_session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/temporary_files.h"

namespace platform {

namespace {

XIOErrorHandler g_toolkitIoErrorHandler = nullptr;

int OnDisplayLost(Display* display) {
  RemoveLiveTemporaries();
  if (g_toolkitIoErrorHandler != nullptr)
    return g_toolkitIoErrorHandler(display);
  _exit(1);
}

// A window may go while it is looked at; that is no reason to end.
int IgnoreXError(Display*, XErrorEvent*) {
  return 0;
}

std::vector<Window> TopLevelWindows(Display* display, Window root) {
  std::vector<Window> windows;
  const Atom clientList = XInternAtom(display, "_NET_CLIENT_LIST", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, root, clientList, 0, 4096, False, XA_WINDOW, &type, &format,
                         &count, &after, &data) == Success &&
      data != nullptr && format == 32) {
    const auto* ids = reinterpret_cast<const unsigned long*>(data);
    windows.assign(ids, ids + count);
  }
  if (data != nullptr)
    XFree(data);
  if (!windows.empty())
    return windows;
  Window parent = None, rootReturn = None;
  Window* children = nullptr;
  unsigned int childCount = 0;
  if (XQueryTree(display, root, &rootReturn, &parent, &children, &childCount) != 0 &&
      children != nullptr) {
    windows.assign(children, children + childCount);
    XFree(children);
  }
  return windows;
}

std::optional<unsigned long> WindowPid(Display* display, Window window, Atom pidAtom) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::optional<unsigned long> pid;
  if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && format == 32 && count == 1)
    pid = *reinterpret_cast<const unsigned long*>(data);
  if (data != nullptr)
    XFree(data);
  return pid;
}

// The X server that DISPLAY names, or nullptr when it names none or none answers.
Display* OpenNamedDisplay() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0')
    return nullptr;
  return XOpenDisplay(name);
}

}  // namespace

bool DisplayAvailable() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland != nullptr && *wayland != '\0')
    return true;
  Display* display = OpenNamedDisplay();
  if (display == nullptr)
    return false;
  XCloseDisplay(display);
  return true;
}

bool ActivateWindowsOf(ProcessId pid) {
  Display* display = OpenNamedDisplay();
  if (display == nullptr)
    return false;
  const XErrorHandler previous = XSetErrorHandler(IgnoreXError);
  const Window root = DefaultRootWindow(display);
  const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
  const Atom activeWindow = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
  bool found = false;
  for (const Window window : TopLevelWindows(display, root)) {
    const auto owner = WindowPid(display, window, pidAtom);
    if (!owner || *owner != static_cast<unsigned long>(pid))
      continue;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0 ||
        attributes.map_state != IsViewable)
      continue;
    found = true;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = activeWindow;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // a request on the user's behalf, as a pager's
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XRaiseWindow(display, window);
  }
  XSync(display, False);
  XSetErrorHandler(previous);
  XCloseDisplay(display);
  return found;
}

void RemoveTemporariesWhenDisplayLost() {
  const XIOErrorHandler previous = XSetIOErrorHandler(OnDisplayLost);
  if (previous != OnDisplayLost)
    g_toolkitIoErrorHandler = previous;
}

}  // namespace platform

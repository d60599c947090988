// One top-level window titled with the first argument, for the window tests.
//
//   guard_test_window <title> obey     closes on WM_DELETE_WINDOW
//   guard_test_window <title> ignore   takes part in WM_DELETE_WINDOW, ignores it
//   guard_test_window <title> plain    no close protocol; ends when its window
//                                      is destroyed by someone else
//
// The title is UTF-8 and goes into _NET_WM_NAME and WM_NAME. Once the window
// is mapped, "ready <window id>" is written to standard output. The program
// ends on its own after a minute, should a test leave it behind.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3)
    return 2;
  const std::string title = argv[1];
  const std::string mode = argv[2];
  // A server without clients resets itself, and turns connections away
  // while it does: keep trying for a while.
  Display* display = nullptr;
  for (int attempt = 0; attempt < 250 && display == nullptr; ++attempt) {
    display = XOpenDisplay(nullptr);
    if (display == nullptr)
      poll(nullptr, 0, 20);
  }
  if (display == nullptr)
    return 3;

  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 100, 0,
                                            0, WhitePixel(display, DefaultScreen(display)));
  const Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
  const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XChangeProperty(display, window, netWmName, utf8String, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title.data()),
                  static_cast<int>(title.size()));
  XStoreName(display, window, title.c_str());
  // As Wine and the toolkits do: the window names the process that owns it.
  const long pid = static_cast<long>(getpid());
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
  Atom protocols[] = {wmDeleteWindow};
  if (mode != "plain")
    XSetWMProtocols(display, window, protocols, 1);
  XSelectInput(display, window, StructureNotifyMask);
  XMapWindow(display, window);
  XSync(display, False);
  std::printf("ready %lu\n", static_cast<unsigned long>(window));
  std::fflush(stdout);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (std::chrono::steady_clock::now() < deadline) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == DestroyNotify && event.xdestroywindow.window == window)
        return 0;
      if (event.type == ClientMessage &&
          static_cast<Atom>(event.xclient.data.l[0]) == wmDeleteWindow && mode == "obey") {
        XCloseDisplay(display);
        return 0;
      }
    }
    pollfd readable{ConnectionNumber(display), POLLIN, 0};
    poll(&readable, 1, 200);
  }
  return 0;
}

// Start-up bench: the time from process start to the main window shown with
// its list filled, for a 100-item catalogue served on loopback, against the
// anchor (a minimal wx program showing a window with a filled list) in the
// same run. The updater shows its window only once the initial update has
// filled the list, so "mapped on the X server" is the moment measured for
// both. Rounds alternate between the two; medians and their ratio are
// printed. Needs an X display (run under xvfb-run).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "testkit/child_process.h"
#include "testkit/loopback_server.h"
#include "testkit/temp_folder.h"
#include "testkit/wait_until.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Catalogue(int items) {
  std::string xml = "<?xml version=\"1.0\"?>\r\n<Catalogue><Downloads>";
  for (int i = 0; i < items; ++i) {
    xml += "<item><Description>Ostrel update " + std::to_string(i) +
           "</Description><href>http://127.0.0.1/setup" + std::to_string(i) +
           ".exe</href><Size>700</Size><Date>01/02/2024</Date><Version>5." + std::to_string(i) +
           "</Version><Info>upd" + std::to_string(i) + ".txt</Info><Notes>none</Notes></item>";
  }
  return xml + "</Downloads></Catalogue>\r\n";
}

bool ViewableWindowNamed(Display* display, Window window, const std::string& title, int depth) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) && name != nullptr) {
    const bool same = title == name;
    XFree(name);
    XWindowAttributes attributes;
    if (same && XGetWindowAttributes(display, window, &attributes) &&
        attributes.map_state == IsViewable)
      return true;
  }
  if (depth == 0)
    return false;
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count))
    return false;
  bool found = false;
  for (unsigned i = 0; i < count && !found; ++i)
    found = ViewableWindowNamed(display, children[i], title, depth - 1);
  if (children != nullptr)
    XFree(children);
  return found;
}

// Seconds from spawning `argv` to a viewable window titled `title`; -1 when
// it did not appear within 30 s.
double TimeToWindow(Display* display, const std::string& program,
                    const std::vector<std::string>& args, const std::string& title) {
  const auto start = Clock::now();
  ChildProcess shown(program, args);
  const bool appeared =
      WaitUntil([&] { return ViewableWindowNamed(display, DefaultRootWindow(display), title, 3); },
                std::chrono::seconds(30));
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  shown.Stop(SIGTERM);
  return appeared ? seconds : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::printf("startup_bench: no X display; run it under xvfb-run\n");
    return 0;
  }
  LoopbackServer server;
  server.AddFile("download.xml", Catalogue(100));
  const TempFolder prefix("ostrel-bench-");
  setenv("OSTREL_PREFIX", prefix.Path().c_str(), 1);
  setenv("OSTREL_CATALOGUE_URL", server.BaseUrl().c_str(), 1);

  std::vector<double> updater, anchor;
  for (int round = 0; round < rounds; ++round) {
    const double a =
        TimeToWindow(display, OSTREL_ANCHOR_BINARY, {"anchor - list"}, "anchor - list");
    const double u = TimeToWindow(display, OSTREL_UPDATE_BINARY, {}, "Ostrel - update");
    if (a < 0 || u < 0) {
      std::printf("startup_bench: a window did not appear (anchor %.3f, updater %.3f)\n", a, u);
      return 1;
    }
    anchor.push_back(a);
    updater.push_back(u);
  }
  XCloseDisplay(display);

  const double anchorMedian = Median(anchor), updaterMedian = Median(updater);
  std::printf("start-up to a filled list, median of %d rounds\n", rounds);
  std::printf("  anchor (minimal wx list window): %7.1f ms\n", anchorMedian * 1000);
  std::printf("  ostrel-update, 100 items:        %7.1f ms\n", updaterMedian * 1000);
  std::printf("  ratio: %.2fx (goal < 1.5x)\n", updaterMedian / anchorMedian);
  return 0;
}

#include "platform/top_windows.h"

// Before Xlib, whose macros (None, Bool) would break its templates.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "testkit/spawned_programs.h"
#include "testkit/wait_until.h"

namespace {

using platform::TopWindows;
using namespace std::chrono_literals;

// The test's own connection, on which it puts windows up.
class WindowMaker {
 public:
  WindowMaker() {
    // A server without clients resets itself, and turns connections away
    // while it does: keep trying for a while.
    WaitUntil([&] { return (m_display = XOpenDisplay(nullptr)) != nullptr; }, 5s);
  }
  ~WindowMaker() {
    if (m_display != nullptr)
      XCloseDisplay(m_display);
  }
  WindowMaker(const WindowMaker&) = delete;
  WindowMaker& operator=(const WindowMaker&) = delete;

  Display* Get() const { return m_display; }
  Window Root() const { return DefaultRootWindow(m_display); }

  Window Make(bool mapped = true) {
    const Window window = XCreateSimpleWindow(m_display, Root(), 0, 0, 50, 50, 0, 0, 0);
    if (mapped)
      XMapWindow(m_display, window);
    XSync(m_display, False);
    return window;
  }

  void SetProperty(Window window, const char* name, const char* type, const std::string& value) {
    XChangeProperty(m_display, window, XInternAtom(m_display, name, False),
                    XInternAtom(m_display, type, False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(value.data()),
                    static_cast<int>(value.size()));
    XSync(m_display, False);
  }

  void SetClientList(const std::vector<Window>& windows) {
    std::vector<long> ids(windows.begin(), windows.end());
    XChangeProperty(m_display, Root(), XInternAtom(m_display, "_NET_CLIENT_LIST", False), XA_WINDOW,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(ids.data()),
                    static_cast<int>(ids.size()));
    XSync(m_display, False);
  }

  void RemoveClientList() {
    XDeleteProperty(m_display, Root(), XInternAtom(m_display, "_NET_CLIENT_LIST", False));
    XSync(m_display, False);
  }

 private:
  Display* m_display = nullptr;
};

class TopWindowsOnTheDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr)
      GTEST_SKIP() << "no DISPLAY";
    ASSERT_NE(m_maker.Get(), nullptr);
  }

  static std::size_t PositionOf(const std::vector<TopWindows::WindowId>& list, Window window) {
    return static_cast<std::size_t>(std::find(list.begin(), list.end(), window) - list.begin());
  }

  ProgramsAndWindowsLock m_lock;
  WindowMaker m_maker;
};

TEST_F(TopWindowsOnTheDisplay, TitlesAreReadInWindows1252AndCutAt99Characters) {
  const Window utf8 = m_maker.Make();
  m_maker.SetProperty(utf8, "_NET_WM_NAME", "UTF8_STRING",
                      "Caf\xC3\xA9 \xE2\x80\x93 Ostrel \xF0\x9F\x98\x80");
  m_maker.SetProperty(utf8, "WM_NAME", "STRING", "not this one");
  const Window latin1 = m_maker.Make();
  m_maker.SetProperty(latin1, "WM_NAME", "STRING", "Gr\xFCn");
  const Window longTitle = m_maker.Make();
  m_maker.SetProperty(longTitle, "_NET_WM_NAME", "UTF8_STRING",
                      std::string(98, 'x') + "\xC3\xA9" + "yz");
  const Window untitled = m_maker.Make();

  TopWindows windows;
  ASSERT_TRUE(windows.Connected());
  EXPECT_EQ(windows.Title(utf8), "Caf\xE9 \x96 Ostrel ?");
  EXPECT_EQ(windows.Title(latin1),
            "Gr\xFC"
            "n");
  EXPECT_EQ(windows.Title(longTitle), std::string(98, 'x') + "\xE9");
  EXPECT_EQ(windows.Title(untitled), "");
}

TEST_F(TopWindowsOnTheDisplay, WithoutAWindowManagerTheRootsMappedChildrenAreListedTopmostFirst) {
  m_maker.RemoveClientList();
  const Window lower = m_maker.Make();
  const Window upper = m_maker.Make();
  const Window hidden = m_maker.Make(false);

  TopWindows windows;
  const auto list = windows.List();
  ASSERT_LT(PositionOf(list, upper), list.size());
  ASSERT_LT(PositionOf(list, lower), list.size());
  EXPECT_LT(PositionOf(list, upper), PositionOf(list, lower));
  EXPECT_EQ(PositionOf(list, hidden), list.size());
}

TEST_F(TopWindowsOnTheDisplay, AWindowThatHasVanishedHasNoTitleAndCountsAsGone) {
  const Window window = m_maker.Make();
  m_maker.SetProperty(window, "WM_NAME", "STRING", "short-lived");
  // Listed while it lived, as a window manager's stale list would hold it.
  m_maker.SetClientList({window});
  XDestroyWindow(m_maker.Get(), window);
  XSync(m_maker.Get(), False);

  TopWindows windows;
  EXPECT_EQ(windows.List(), std::vector<TopWindows::WindowId>{window});
  m_maker.RemoveClientList();
  EXPECT_EQ(windows.Title(window), std::nullopt);
  EXPECT_EQ(windows.RequestClose(window, 5s), TopWindows::CloseOutcome::Gone);
  // The connection is still good after the errors.
  EXPECT_TRUE(windows.Connected());
  const Window later = m_maker.Make();
  m_maker.SetProperty(later, "WM_NAME", "STRING", "later");
  EXPECT_EQ(windows.Title(later), "later");
}

TEST(TopWindows, WithoutAnXServerThereAreNoWindowsAndNoError) {
  TopWindows windows(":64999");
  EXPECT_FALSE(windows.Connected());
  EXPECT_TRUE(windows.List().empty());
  EXPECT_EQ(windows.Title(1), std::nullopt);
  EXPECT_EQ(windows.RequestClose(1, 5s), TopWindows::CloseOutcome::Gone);
}

}  // namespace

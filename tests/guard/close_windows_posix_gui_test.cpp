#include "guard/window_closing.h"

// Before Xlib, whose macros (None, Bool) would break its templates.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <cstdlib>
#include <future>
#include <thread>

#include "brand/skin.h"
#include "guard/running_programs.h"
#include "testkit/desktop_recorder.h"
#include "testkit/spawned_programs.h"
#include "testkit/temp_prefix.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

int CountLines(const std::string& text) {
  int lines = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
    ++lines;
  return lines;
}

class ClosingWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr)
      GTEST_SKIP() << "no DISPLAY";
    ForgetSkin();
    SetCloseTimingForTests({2s, 50ms});
  }
  void TearDown() override {
    SetCloseTimingForTests(kCloseTiming);
    ForgetSkin();
  }

  // Starts the window program as `exeName` and waits until its window is up.
  struct Started {
    pid_t pid;
    unsigned long window;
  };
  Started StartWindow(const std::string& exeName, const std::string& title,
                      const std::string& mode) {
    const pid_t pid =
        m_programs.Start(OSTREL_TEST_WINDOW_PROGRAM, exeName, {title, mode}, "", true);
    const auto ready = m_programs.ReadLine(pid, 20s);
    if (!ready || ready->rfind("ready ", 0) != 0)
      throw std::runtime_error("the window program did not start");
    return {pid, std::stoul(ready->substr(6))};
  }

  bool Exits(pid_t pid) { return m_programs.WaitForExit(pid, 10s); }
  bool StillRuns(pid_t pid) { return !m_programs.WaitForExit(pid, 0ms); }

  ProgramsAndWindowsLock m_lock;
  TempPrefix m_prefix;
  DesktopRecorder m_desktop;
  SpawnedPrograms m_programs;
};

TEST_F(ClosingWindows, TheStartupProgramClosesOnRequestAndTheUpdateGoesOn) {
  const Started startup = StartWindow("autorun.exe", "OSTREL Startup - Welcome", "obey");

  EXPECT_FALSE(CheckRunningPrograms());
  EXPECT_TRUE(Exits(startup.pid));
  EXPECT_TRUE(m_desktop.Messages().empty());
  const std::string log = m_prefix.LogText();
  EXPECT_EQ(CountLines(log), 2);
  const std::size_t killing = log.find(": Killing windows with Ostrel Startup\r\n");
  const std::size_t sent = log.find(": Window ostrel startup - welcome sent WM_CLOSE\r\n");
  ASSERT_NE(killing, std::string::npos);
  ASSERT_NE(sent, std::string::npos);
  EXPECT_LT(killing, sent);
}

TEST_F(ClosingWindows, AWindowThatIgnoresTheRequestCostsTheBoundThenItsProgramIsReported) {
  const CloseTiming shortened{300ms, 50ms};
  SetCloseTimingForTests(shortened);
  const Started startup = StartWindow("autorun.exe", "Ostrel Startup", "ignore");

  const Clock::time_point start = Clock::now();
  EXPECT_TRUE(CheckRunningPrograms());
  const auto spent = Clock::now() - start;

  EXPECT_GE(spent, LongestCloseCost(shortened, 1));
  // Well within what the real bound and pause would have cost.
  EXPECT_LT(spent, LongestCloseCost(kCloseTiming, 1));
  EXPECT_TRUE(StillRuns(startup.pid));
  EXPECT_EQ(m_desktop.Messages(),
            std::vector<std::string>{"Ostrel Startup is currently running. \r\n" +
                                     std::string(kRunningAdvice) + "\r\n"});
  EXPECT_NE(m_prefix.LogText().find(": Window ostrel startup sent WM_CLOSE\r\n"),
            std::string::npos);
}

TEST_F(ClosingWindows, OnlyWindowsWhoseFirst99CharactersHoldTheNameAreAsked) {
  const Started named = StartWindow("a.exe", "my ostrel STARTUP helper", "obey");
  const Started atTheEdge = StartWindow("b.exe", std::string(85, 'x') + "Ostrel Startup", "obey");
  const Started pastTheEdge = StartWindow("c.exe", std::string(86, 'x') + "Ostrel Startup", "obey");
  const Started other = StartWindow("d.exe", "Ostrel Payroll", "obey");
  // The same title, owned by a program of another prefix.
  m_programs.RunInPrefix(m_prefix.Root() / "elsewhere");
  const Started elsewhere = StartWindow("autorun.exe", "Ostrel Startup", "obey");

  // An empty name would be in every title: nothing is asked.
  CloseWindowsWith("");
  EXPECT_TRUE(StillRuns(named.pid));

  CloseWindowsWith("Ostrel Startup");
  EXPECT_TRUE(Exits(named.pid));
  EXPECT_TRUE(Exits(atTheEdge.pid));
  EXPECT_TRUE(StillRuns(pastTheEdge.pid));
  EXPECT_TRUE(StillRuns(other.pid));
  EXPECT_TRUE(StillRuns(elsewhere.pid));
  const std::string log = m_prefix.LogText();
  EXPECT_EQ(CountLines(log), 4);
  EXPECT_NE(log.find(": Killing windows with \r\n"), std::string::npos);
  EXPECT_NE(log.find(": Window my ostrel startup helper sent WM_CLOSE\r\n"), std::string::npos);
}

// Stands in for a window manager's handling of _NET_CLOSE_WINDOW: on its own
// connection, waits for the request and destroys the window it names.
class CloseRequestHandler {
 public:
  CloseRequestHandler() {
    std::promise<void> listening;
    m_listening = listening.get_future();
    m_thread = std::thread([this, listening = std::move(listening)]() mutable {
      Display* display = XOpenDisplay(nullptr);
      const Atom closeRequest = XInternAtom(display, "_NET_CLOSE_WINDOW", False);
      XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
      XSync(display, False);
      listening.set_value();
      const auto deadline = Clock::now() + 20s;
      while (Clock::now() < deadline && m_requested == 0) {
        while (XPending(display) > 0) {
          XEvent event;
          XNextEvent(display, &event);
          if (event.type == ClientMessage && event.xclient.message_type == closeRequest) {
            m_requested = event.xclient.window;
            XDestroyWindow(display, event.xclient.window);
            XSync(display, False);
          }
        }
        pollfd readable{ConnectionNumber(display), POLLIN, 0};
        poll(&readable, 1, 50);
      }
      XCloseDisplay(display);
    });
    m_listening.wait();
  }
  ~CloseRequestHandler() {
    if (m_thread.joinable())
      m_thread.join();
  }

  unsigned long Requested() {
    if (m_thread.joinable())
      m_thread.join();
    return m_requested;
  }

 private:
  std::future<void> m_listening;
  std::atomic<unsigned long> m_requested{0};
  std::thread m_thread;
};

TEST_F(ClosingWindows, AWindowManagersClientListIsFollowedAndItClosesWindowsWithoutTheProtocol) {
  const Started listed = StartWindow("e.exe", "Ostrel Startup", "plain");
  const Started unlisted = StartWindow("f.exe", "Ostrel Startup", "obey");
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  const Atom clientList = XInternAtom(display, "_NET_CLIENT_LIST", False);
  const long ids[] = {static_cast<long>(listed.window)};
  XChangeProperty(display, DefaultRootWindow(display), clientList, XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(ids), 1);
  XSync(display, False);

  {
    CloseRequestHandler windowManager;
    CloseWindowsWith("ostrel startup");
    EXPECT_EQ(windowManager.Requested(), listed.window);
  }
  XDeleteProperty(display, DefaultRootWindow(display), clientList);
  XCloseDisplay(display);

  EXPECT_TRUE(Exits(listed.pid));
  EXPECT_TRUE(StillRuns(unlisted.pid));
  EXPECT_EQ(CountLines(m_prefix.LogText()), 2);
}

}  // namespace

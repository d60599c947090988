// Asks the desktop's top-level windows whose titles name a program to close.
//
// Used by the running-program check to ask the suite's start-up program to
// close before an update. Only windows owned (_NET_WM_PID) by a process of
// this user in this prefix are asked: a same-titled window of another
// prefix's program, or one that names no owner, is left alone (on Windows,
// any window of the session, hidden or not, whose owner is running). Each request is the polite one
// (the window's own close protocol), waits until the window is gone or a bound has passed, then
// pauses so that the program can finish ending; a window that ignores the request stays open. Main
// thread only: the check holds it on purpose.
#pragma once

#include <chrono>
#include <string>

struct CloseTiming {
  // The longest wait for one window to go after the request.
  std::chrono::milliseconds waitBound;
  // The pause after each request, whatever its outcome.
  std::chrono::milliseconds pause;
};

inline constexpr CloseTiming kCloseTiming{std::chrono::seconds(5), std::chrono::milliseconds(2000)};

// The most that closing `windows` windows can hold the main thread.
constexpr std::chrono::milliseconds LongestCloseCost(const CloseTiming& timing, int windows) {
  return (timing.waitBound + timing.pause) * windows;
}

// The timing in force: kCloseTiming unless a test has shortened it.
CloseTiming CurrentCloseTiming();
void SetCloseTimingForTests(const CloseTiming& timing);

// Logs "Killing windows with <name>", then, for every top-level window whose
// title (its first 99 characters) contains the name without regard to case,
// logs "Window <title, lower-cased> sent WM_CLOSE", asks it to close and
// pauses. An empty name matches no window.
void CloseWindowsWith(const std::string& name);

// ASCII letters lower-cased; every other byte as it stands.
std::string AsciiLowerCase(std::string text);

// Top-level windows as the platform headers name them: a WindowId is the
// window's handle. Windows keeps window handles within 32 bits so that
// 32- and 64-bit programs can pass them to each other; they are truncated
// into an id and sign-extended back, as the system documents. Any thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace platform {

inline unsigned long IdOfWindow(HWND window) {
  return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window));
}

inline HWND WindowOfId(unsigned long id) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(id)));
}

// The top-level windows, topmost first: every one, or the visible ones.
std::vector<HWND> TopLevelWindows();
std::vector<HWND> VisibleTopWindows();

// Whether this process runs where a user sees its windows (an interactive
// window station), not in a service's.
bool InteractiveSession();

}  // namespace platform

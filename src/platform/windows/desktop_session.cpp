#include "platform/desktop_session.h"

#include <windows.h>

#include <thread>

#include "platform/temporary_files.h"
#include "window_handles.h"

// A display is there in an interactive session; the windows of
// `pid` are restored and brought forward; the end of the user's session
// (WM_ENDSESSION) stands for the loss of the display.

// Windows has no display connection to lose. What ends a GUI program from
// outside is the end of the user's session: a hidden window of our own hears
// WM_ENDSESSION and removes the live temporaries before the system ends the
// process (console events do not reach a program that has windows).

namespace platform {

namespace {

constexpr wchar_t kSessionWatchClass[] = L"OstrelSessionWatch";

BOOL CALLBACK Collect(HWND window, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

LRESULT CALLBACK OnSessionMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ENDSESSION && wParam != FALSE)
    RemoveLiveTemporaries();
  if (message == WM_QUERYENDSESSION)
    return TRUE;
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void WatchSession() {
  WNDCLASSW type{};
  type.lpfnWndProc = OnSessionMessage;
  type.hInstance = ::GetModuleHandleW(nullptr);
  type.lpszClassName = kSessionWatchClass;
  ::RegisterClassW(&type);
  // A top-level window, never shown: message-only windows hear no broadcasts.
  const HWND window = ::CreateWindowExW(0, kSessionWatchClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                        nullptr, type.hInstance, nullptr);
  if (window == nullptr)
    return;
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0)
    ::DispatchMessageW(&message);
}

}  // namespace

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> VisibleTopWindows() {
  std::vector<HWND> windows = TopLevelWindows();
  std::erase_if(windows, [](HWND window) { return !::IsWindowVisible(window); });
  return windows;
}

bool InteractiveSession() {
  USEROBJECTFLAGS flags{};
  const HWINSTA station = ::GetProcessWindowStation();
  return station != nullptr &&
         ::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
         (flags.dwFlags & WSF_VISIBLE) != 0;
}

bool DisplayAvailable() {
  return InteractiveSession();
}

bool ActivateWindowsOf(ProcessId pid) {
  bool found = false;
  for (const HWND window : VisibleTopWindows()) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (static_cast<ProcessId>(owner) != pid || ::GetWindow(window, GW_OWNER) != nullptr)
      continue;
    found = true;
    if (::IsIconic(window))
      ::ShowWindow(window, SW_RESTORE);
    ::SetForegroundWindow(window);
  }
  return found;
}

void RemoveTemporariesWhenDisplayLost() {
  static bool watching = false;
  if (watching)
    return;
  watching = true;
  // For the life of the process; it ends with it.
  std::thread(WatchSession).detach();
}

}  // namespace platform

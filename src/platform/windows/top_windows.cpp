#include "platform/top_windows.h"

#include <windows.h>

#include <thread>

#include "wide_text.h"
#include "window_handles.h"

// The windows are every top-level window of the session's desktop,
// hidden ones included (EnumWindows, topmost first), titles come from
// GetWindowText, the owner from GetWindowThreadProcessId, and RequestClose
// sends WM_CLOSE (SendMessageTimeout within the bound) and waits until the
// window is destroyed, or hidden when it was shown. There is no display to
// name.

// The desktop's top-level windows through the window manager of Windows
// itself: EnumWindows, GetWindowText, WM_CLOSE. There is no display to name
// or connect to; the windows are those of this session's desktop, which a
// service's window station has none of.
//
// Every top-level window counts, hidden or not: a program such as the
// suite's start-up program may keep a hidden window of its own that closes
// the program when asked. WM_CLOSE is sent, not posted, so that the request
// has been handled when the call returns; SendMessageTimeout bounds the wait,
// and gives up at once on a window whose thread has stopped answering.

namespace platform {

struct XConnection {
  bool interactive = false;
};

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);

// A window of this very thread closes only when its messages are handled.
void HandleOwnMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace

TopWindows::TopWindows(const char*) : m_x(std::make_unique<XConnection>()) {
  m_x->interactive = InteractiveSession();
}

TopWindows::~TopWindows() = default;

bool TopWindows::Connected() const {
  return m_x->interactive;
}

std::vector<TopWindows::WindowId> TopWindows::List() {
  std::vector<WindowId> windows;
  if (!Connected())
    return windows;
  for (const HWND window : TopLevelWindows())
    windows.push_back(IdOfWindow(window));
  return windows;
}

std::optional<std::string> TopWindows::Title(WindowId id) {
  const HWND window = WindowOfId(id);
  if (!Connected() || !::IsWindow(window))
    return std::nullopt;
  // Another program's title is read from the system's copy: a hung program
  // cannot stop the read.
  wchar_t text[kLongestTitle + 1] = {};
  const int length = ::GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  std::string title = Cp1252FromWide(std::wstring_view(text, length > 0 ? length : 0));
  if (title.size() > kLongestTitle)
    title.resize(kLongestTitle);
  return title;
}

std::optional<long> TopWindows::ProcessId(WindowId id) {
  const HWND window = WindowOfId(id);
  DWORD owner = 0;
  if (!Connected() || ::GetWindowThreadProcessId(window, &owner) == 0 || owner == 0)
    return std::nullopt;
  return static_cast<long>(owner);
}

TopWindows::CloseOutcome TopWindows::RequestClose(WindowId id, std::chrono::milliseconds bound) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + bound;
  const HWND window = WindowOfId(id);
  if (!Connected() || !::IsWindow(window))
    return CloseOutcome::Gone;
  const bool ownThread = ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId();
  const bool wasVisible = ::IsWindowVisible(window);
  const auto bounded = std::chrono::duration_cast<std::chrono::milliseconds>(bound).count();
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        static_cast<UINT>(bounded > 0 ? bounded : 0), &result);
  for (;;) {
    if (ownThread)
      HandleOwnMessages();
    // A shown window that hides itself counts as gone, as a withdrawn
    // window does on X.
    if (!::IsWindow(window) || (wasVisible && !::IsWindowVisible(window)))
      return CloseOutcome::Gone;
    if (Clock::now() >= deadline)
      return CloseOutcome::StillOpen;
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace platform

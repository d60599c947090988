// The desktop's top-level windows, through the X server: listing them,
// reading their titles, and asking one politely to close.
//
// One object is one connection to the X server, opened by the constructor and
// closed by the destructor. Without a display, or when the server can't be
// reached, there are no windows and nothing fails. Errors about windows that
// vanish while they are looked at are caught for the object's lifetime: that
// window counts as gone. (Losing the X server itself ends the program, as it
// ends the GUI toolkit's own connection to the same server.)
//
// Main thread only: the X error handler is process-wide, so only one thread
// may create these objects (other connections' errors are passed on untouched).
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct XConnection;

class TopWindows {
 public:
  using WindowId = unsigned long;

  // Titles are cut to this many characters, as a 100-byte buffer holds them.
  static constexpr std::size_t kLongestTitle = 99;

  enum class CloseOutcome {
    Gone,       // the window was destroyed or withdrawn, or had gone already
    StillOpen,  // the bound passed first
  };

  // Connects to `displayName`, or to $DISPLAY when it is null.
  explicit TopWindows(const char* displayName = nullptr);
  ~TopWindows();
  TopWindows(const TopWindows&) = delete;
  TopWindows& operator=(const TopWindows&) = delete;

  bool Connected() const;

  // The top-level windows now: the window manager's client list when there
  // is one (_NET_CLIENT_LIST on the root window), otherwise the root window's
  // mapped children, topmost first.
  std::vector<WindowId> List();

  // The title (_NET_WM_NAME, else WM_NAME) in Windows-1252, at most
  // kLongestTitle characters; empty when the window has none, nullopt when
  // the window has gone.
  std::optional<std::string> Title(WindowId window);

  // The process that says it owns the window (_NET_WM_PID, which Wine and
  // the toolkits set); nullopt when the window doesn't say or has gone.
  std::optional<long> ProcessId(WindowId window);

  // Asks the window to close: WM_DELETE_WINDOW when it takes part in that
  // protocol, otherwise _NET_CLOSE_WINDOW through the window manager. Waits
  // until the window is gone or `bound` has passed.
  CloseOutcome RequestClose(WindowId window, std::chrono::milliseconds bound);

 private:
  std::unique_ptr<XConnection> m_x;
};

}  // namespace platform

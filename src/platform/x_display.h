// The X display as a whole, for the start and the end of the process: whether
// there is one to open windows on, bringing another process's window to the
// front, and what happens when the connection is lost.
//
// Main thread only (Xlib's handlers are process-wide).
#pragma once

#include <sys/types.h>

namespace platform {

// Whether the GUI toolkit can open windows: $DISPLAY names an X server that
// answers, or $WAYLAND_DISPLAY is set.
bool DisplayAvailable();

// Asks the window manager to activate the top-level windows of process `pid`
// (_NET_ACTIVE_WINDOW), and raises them where there is no window manager.
// False when there is no display or no such window.
bool ActivateWindowsOf(pid_t pid);

// Once the toolkit has connected: losing the X server first removes the
// live temporary files, then ends the process as the toolkit's own handler
// would (it calls _exit, so nothing after it runs).
void RemoveTemporariesWhenDisplayLost();

}  // namespace platform

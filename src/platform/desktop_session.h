// The user's desktop session as a whole, for the start and the end of the
// process: whether there is one to open windows on, bringing another
// process's window to the front, and what happens when the session is lost
// (on Linux the X server's connection, whose handlers are process-wide).
//
// Main thread only.
#pragma once

#include "platform/process_id.h"

namespace platform {

// Whether the GUI toolkit can open windows: $DISPLAY names an X server that
// answers, or $WAYLAND_DISPLAY is set.
bool DisplayAvailable();

// Asks the window manager to activate the top-level windows of process `pid`
// (_NET_ACTIVE_WINDOW), and raises them where there is no window manager.
// False when there is no display or no such window.
bool ActivateWindowsOf(ProcessId pid);

// Once the toolkit has connected: losing the session first removes the live
// temporary files, then ends the process as the toolkit's own handler would
// (on Linux it calls _exit, so nothing after it runs).
void RemoveTemporariesWhenDisplayLost();

}  // namespace platform

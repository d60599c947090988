// The system's own notification, for a check that runs on a schedule with
// nobody looking at the updater: on Linux the freedesktop notification
// service on the session bus (org.freedesktop.Notifications), on Windows a
// balloon from an icon in the notification area (Shell_NotifyIcon).
//
// Show blocks the calling thread until the notification is done with: the
// user chose it (true), dismissed it, it expired, or `patience` ran out
// (false; a notification still shown is then withdrawn). Texts are UTF-8.
// False with `problem` set when there is no notification service (no
// session bus, nothing owns the name): a run from cron or over ssh has none,
// and that is no failure of the check. Any one thread, one call at a time.
#pragma once

#include <chrono>
#include <string>

namespace platform {

bool ShowDesktopNotification(const std::string& title, const std::string& text,
                             std::chrono::seconds patience, std::string& problem);

// Starts this program anew, without arguments (the updater's window), in a
// process of its own that outlives this one. False when it could not start.
bool StartUpdaterWindow();

}  // namespace platform

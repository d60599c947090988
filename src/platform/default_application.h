// Opens a file with the desktop's default application for it (xdg-open).
//
// The opener is started directly (posix_spawnp, searched on PATH, no shell),
// is not waited for, and a failure to start it is not reported: the caller
// has nothing to do about it. Any thread.
#pragma once

#include <filesystem>

namespace platform {

// True when the opener was started.
bool OpenWithDefaultApplication(const std::filesystem::path& hostPath);

}  // namespace platform

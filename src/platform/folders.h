// Making a folder and entering it, for the core's download and temporary
// folders. Host paths only; safe on any thread, though the current folder is
// the whole process's.
#pragma once

#include <filesystem>

namespace platform {

// Makes one folder (its parent must exist) with the permissions the umask
// leaves. False when it was not made, which includes a folder already there.
bool MakeFolder(const std::filesystem::path& hostPath);

// Makes the process's current folder the one given, so that programs started
// later inherit it. False when it cannot be entered.
bool EnterFolder(const std::filesystem::path& hostPath);

}  // namespace platform

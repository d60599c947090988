// The settings writer's leftovers: a process killed between writing its new
// copy of the settings file and renaming it over the file leaves that copy,
// a whole copy of the file, beside it for good.
//
// The writer names its copy "." + the file's name + "." + a random part: on
// Linux mkstemp's six letters and digits (".ostrel.ini.a1B2c3"), on Windows
// one to six decimal digits (".ostrel.ini.123456"); either build may have
// written a prefix's file. Only names of exactly these shapes count, never
// the journal (".ostrel.ini.journal") nor anything another program keeps
// there, and only plain files that nobody has written for `unchangedFor`:
// another process may be writing one at this moment, which takes well under
// a second.
//
// Main thread, at start, under the one-updater locks.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>

namespace platform {

// Removes the stale copies of `settingsFile` (a host path) from its folder,
// the folder of the file it names in the end when it is a symbolic link.
// Returns how many went.
std::size_t RemoveStaleSettingsCopies(const std::filesystem::path& settingsFile,
                                      std::chrono::seconds unchangedFor);

}  // namespace platform

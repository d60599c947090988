// Each host's side of the temporary-file table (temporary_files.h): the
// steps that differ between the systems. Only the platform layer calls these.
#pragma once

#include <filesystem>
#include <string>

namespace platform::host {

// Removes a live temporary file by its path, from a signal handler or a
// console handler: async-signal-safe, never throws.
void RemoveTemporaryNow(const std::filesystem::path::value_type* path) noexcept;

// Removes a stale temporary file found in a folder (even a read-only one).
bool RemoveStaleTemporary(const std::filesystem::path& path);

// A file name as UTF-8 text, converted without throwing on a name that
// cannot be mapped.
std::string FileNameText(const std::filesystem::path& name);

}  // namespace platform::host

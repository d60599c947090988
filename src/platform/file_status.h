// What the file system tells of one file without opening it: whether it is a
// folder, its size, when it last changed and its permission bits.
// Safe on any thread.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>

namespace platform {

struct FileStatus {
  bool folder = false;
  std::uint64_t size = 0;
  std::time_t modified = 0;
  // rwx for owner, group and others, with the set-id and sticky bits.
  unsigned permissions = 0;
};

// The status of the file a host path names, a symbolic link followed; nullopt
// when there is none or it may not be read.
std::optional<FileStatus> StatusOf(const std::filesystem::path& hostPath);

// The same for a file this process holds open (a POSIX descriptor), for the
// platform's own file classes.
std::optional<FileStatus> StatusOfOpenFile(int descriptor);

}  // namespace platform

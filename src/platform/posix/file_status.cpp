#include "platform/file_status.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_status_host.h"

namespace platform {

namespace {

FileStatus FromStat(const struct stat& status) {
  FileStatus result;
  result.folder = S_ISDIR(status.st_mode);
  result.size = static_cast<std::uint64_t>(status.st_size);
  result.modified = status.st_mtime;
  result.permissions = static_cast<unsigned>(status.st_mode & 07777);
  return result;
}

}  // namespace

std::optional<FileStatus> StatusOf(const std::filesystem::path& hostPath) {
  struct stat status {};
  if (::stat(hostPath.c_str(), &status) != 0)
    return std::nullopt;
  return FromStat(status);
}

std::optional<FileStatus> StatusOfOpenFile(int descriptor) {
  struct stat status {};
  if (::fstat(descriptor, &status) != 0)
    return std::nullopt;
  return FromStat(status);
}

namespace host {

bool CloseFile(int descriptor) {
  return ::close(descriptor) == 0;
}

}  // namespace host
}  // namespace platform

#include "platform/file_status.h"

#include <sys/stat.h>
#include <sys/types.h>

// The C runtime's stat gives what the header promises; Windows has no
// owner/group/other bits, so the permissions are those the runtime derives:
// read for everyone, write unless the file is read-only, execute for
// programs and folders.

namespace platform {

namespace {

FileStatus FromStat(const struct _stat64& status) {
  FileStatus result;
  result.folder = (status.st_mode & _S_IFMT) == _S_IFDIR;
  result.size = static_cast<std::uint64_t>(status.st_size);
  result.modified = static_cast<std::time_t>(status.st_mtime);
  const unsigned owner = static_cast<unsigned>(status.st_mode) & 0700;
  result.permissions = owner | (owner >> 3) | (owner >> 6);
  return result;
}

}  // namespace

std::optional<FileStatus> StatusOf(const std::filesystem::path& hostPath) {
  struct _stat64 status {};
  if (::_wstat64(hostPath.c_str(), &status) != 0)
    return std::nullopt;
  return FromStat(status);
}

std::optional<FileStatus> StatusOfOpenFile(int descriptor) {
  struct _stat64 status {};
  if (::_fstat64(descriptor, &status) != 0)
    return std::nullopt;
  return FromStat(status);
}

}  // namespace platform

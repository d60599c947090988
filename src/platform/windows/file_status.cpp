#include "platform/file_status.h"

#include <io.h>
#include <windows.h>

#include "platform/file_status_host.h"

// Windows keeps no owner, group and other bits: the permissions are those a
// Linux user would see on such a file, read for everyone, write for the owner
// unless the file is read-only, and entry to folders.

namespace platform {

namespace {

// 100 ns ticks from 1601 to 1970.
constexpr std::uint64_t kUnixEpochTicks = 116444736000000000ull;
constexpr std::uint64_t kTicksPerSecond = 10000000ull;

std::optional<FileStatus> StatusOfHandle(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (file == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(file, &information))
    return std::nullopt;
  FileStatus result;
  result.folder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  result.size = (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
  const std::uint64_t ticks = (std::uint64_t{information.ftLastWriteTime.dwHighDateTime} << 32) |
                              information.ftLastWriteTime.dwLowDateTime;
  result.modified = ticks > kUnixEpochTicks
                        ? static_cast<std::time_t>((ticks - kUnixEpochTicks) / kTicksPerSecond)
                        : 0;
  const bool readOnly = (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  result.permissions = (readOnly ? 0444u : 0644u) | (result.folder ? 0111u : 0u);
  return result;
}

}  // namespace

std::optional<FileStatus> StatusOf(const std::filesystem::path& hostPath) {
  // Attributes only: a file that others hold open, even exclusively, answers.
  const HANDLE file = ::CreateFileW(hostPath.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const auto status = StatusOfHandle(file);
  if (file != INVALID_HANDLE_VALUE)
    ::CloseHandle(file);
  return status;
}

std::optional<FileStatus> StatusOfOpenFile(int descriptor) {
  return StatusOfHandle(reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor)));
}

namespace host {

bool CloseFile(int descriptor) {
  return ::_close(descriptor) == 0;
}

}  // namespace host
}  // namespace platform

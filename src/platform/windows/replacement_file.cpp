#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "platform/replacement_file_host.h"
#include "wide_text.h"

namespace platform::host {

namespace {

// NTFS and FAT both take 255 UTF-16 units in a name.
constexpr std::size_t kLongestName = 255;

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// A C runtime descriptor over `file`, which it then owns; -1 (and the handle
// closed) when the runtime has no descriptor left.
int DescriptorOf(HANDLE file) {
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(file);
    ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
  }
  return fd;
}

}  // namespace

// The middle is never cut inside a surrogate pair.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target, unsigned salt) {
  wchar_t suffix[16];
  const int suffixLength = std::swprintf(suffix, std::size(suffix), L".%08x.part", salt);
  const std::wstring original = target.filename().native();
  const std::size_t fixed = 1 + static_cast<std::size_t>(suffixLength);
  std::size_t keep = std::min(original.size(), kLongestName - fixed);
  if (keep > 0 && keep < original.size() && original[keep] >= 0xDC00 && original[keep] <= 0xDFFF)
    --keep;
  std::wstring name(L".");
  name.append(original, 0, keep);
  name.append(suffix, static_cast<std::size_t>(suffixLength));
  return target.parent_path() / name;
}

// The file takes its folder's inherited permissions; others may read it, and
// remove it while it is open.
int CreateNewFile(const std::filesystem::path& path) {
  const HANDLE file =
      ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return -1;
  const int fd = DescriptorOf(file);
  if (fd < 0) {
    RemoveFile(path);
    ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
  }
  return fd;
}

bool NameWasTaken() {
  return ::GetLastError() == ERROR_FILE_EXISTS || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

// Shared as the temporary files are: readable, and removable while open.
int OpenForAppending(const std::filesystem::path& partial, std::uint64_t& size) {
  const HANDLE file =
      ::CreateFileW(partial.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return -1;
  BY_HANDLE_FILE_INFORMATION information{};
  LARGE_INTEGER held{};
  const LARGE_INTEGER none{};
  if (!::GetFileInformationByHandle(file, &information) ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
      !::GetFileSizeEx(file, &held) || !::SetFilePointerEx(file, none, nullptr, FILE_END)) {
    const DWORD reason =
        ::GetLastError() == ERROR_SUCCESS ? ERROR_CANT_ACCESS_FILE : ::GetLastError();
    ::CloseHandle(file);
    ::SetLastError(reason);
    return -1;
  }
  const int fd = DescriptorOf(file);
  if (fd >= 0)
    size = static_cast<std::uint64_t>(held.QuadPart);
  return fd;
}

bool TruncateFile(int fd) {
  const LARGE_INTEGER start{};
  return ::SetFilePointerEx(HandleOf(fd), start, nullptr, FILE_BEGIN) &&
         ::SetEndOfFile(HandleOf(fd));
}

bool WriteAll(int fd, const char* data, std::size_t size, std::uint64_t& written) {
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD part = 0;
    if (!::WriteFile(HandleOf(fd), data, chunk, &part, nullptr))
      return false;
    data += part;
    size -= part;
    written += part;
  }
  return true;
}

// Windows keeps no permission bits: a file nobody may write is read-only, as
// CopyFile would keep it; everything else comes from the folder.
bool SetFilePermissions(int fd, unsigned permissions) {
  if ((permissions & 0200) != 0)
    return true;
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(HandleOf(fd), FileBasicInfo, &basic, sizeof basic))
    return false;
  basic.FileAttributes |= FILE_ATTRIBUTE_READONLY;
  return ::SetFileInformationByHandle(HandleOf(fd), FileBasicInfo, &basic, sizeof basic);
}

bool SyncFile(int fd) {
  return ::FlushFileBuffers(HandleOf(fd));
}

// The rename is written through (MOVEFILE_WRITE_THROUGH) in any case.
bool ReplaceTarget(const std::filesystem::path& temporary, const std::filesystem::path& target,
                   bool) {
  return ::MoveFileExW(temporary.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

// A read-only file can be neither deleted nor replaced until it is writable.
void RemoveFile(const std::filesystem::path& path) {
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(path.c_str());
}

void SetNotOpenError() {
  ::SetLastError(ERROR_INVALID_HANDLE);
}

void SetFolderError() {
  ::SetLastError(ERROR_DIRECTORY);
}

std::string LastErrorText() {
  return FileErrorText(::GetLastError());
}

}  // namespace platform::host

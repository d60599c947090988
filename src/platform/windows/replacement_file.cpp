#include "platform/replacement_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <utility>

#include "platform/temporary_files.h"
#include "wide_text.h"

namespace platform {

namespace {

// NTFS and FAT both take 255 UTF-16 units in a name.
constexpr std::size_t kLongestName = 255;

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// The same shape as on Linux: "." + the target's name + ".%08x.part", the
// middle shortened (never inside a surrogate pair) when the whole would be
// longer than a name may be.
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

// A read-only file can be neither deleted nor replaced until it is writable.
void DeleteEvenReadOnly(const std::filesystem::path& path) {
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(path.c_str());
}

}  // namespace

ReplacementFile::ReplacementFile(std::filesystem::path target) : m_target(std::move(target)) {}

ReplacementFile::~ReplacementFile() {
  if (m_partial && m_fd >= 0)
    ::_close(std::exchange(m_fd, -1));
  else
    Discard();
}

bool ReplacementFile::Fail(const char* step) {
  m_error = std::string(step) + ": " + FileErrorText(::GetLastError());
  return false;
}

bool ReplacementFile::Open() {
  Discard();
  if (m_target.filename().empty()) {
    ::SetLastError(ERROR_DIRECTORY);
    return Fail("create");
  }
  std::random_device entropy;
  // CREATE_NEW makes a clash with another process's temporary file a retry,
  // never a shared file. The file takes its folder's inherited permissions.
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::filesystem::path candidate = TemporaryNameFor(m_target, entropy());
    const HANDLE file =
        ::CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      m_fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
      if (m_fd < 0) {
        ::CloseHandle(file);
        DeleteEvenReadOnly(candidate);
        return Fail("create");
      }
      m_temporary = std::move(candidate);
      m_size = 0;
      m_partial = false;
      RememberTemporary(m_temporary);
      return true;
    }
    if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)
      return Fail("create");
  }
  return Fail("create");
}

bool ReplacementFile::OpenPartial(const std::filesystem::path& partial) {
  Discard();
  // Shared as the temporary files are: readable, and removable while open.
  const HANDLE file =
      ::CreateFileW(partial.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return Fail("open");
  BY_HANDLE_FILE_INFORMATION information{};
  LARGE_INTEGER size{};
  const LARGE_INTEGER none{};
  if (!::GetFileInformationByHandle(file, &information) ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
      !::GetFileSizeEx(file, &size) || !::SetFilePointerEx(file, none, nullptr, FILE_END)) {
    if (::GetLastError() == ERROR_SUCCESS)
      ::SetLastError(ERROR_CANT_ACCESS_FILE);
    Fail("open");
    ::CloseHandle(file);
    return false;
  }
  m_fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
  if (m_fd < 0) {
    ::CloseHandle(file);
    return Fail("open");
  }
  m_temporary = partial;
  m_size = static_cast<std::uint64_t>(size.QuadPart);
  m_partial = true;
  return true;
}

bool ReplacementFile::Truncate() {
  const LARGE_INTEGER start{};
  if (m_fd < 0 || !::SetFilePointerEx(HandleOf(m_fd), start, nullptr, FILE_BEGIN) ||
      !::SetEndOfFile(HandleOf(m_fd)))
    return Fail("truncate");
  m_size = 0;
  return true;
}

bool ReplacementFile::Write(const char* data, std::size_t size) {
  if (m_fd < 0) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return Fail("write");
  }
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(HandleOf(m_fd), data, chunk, &written, nullptr))
      return Fail("write");
    data += written;
    size -= written;
    m_size += written;
  }
  return true;
}

bool ReplacementFile::SetPermissions(unsigned permissions) {
  if (m_fd < 0) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return Fail("chmod");
  }
  // Windows keeps no permission bits: a file nobody may write is read-only,
  // as CopyFile would keep it; everything else comes from the folder.
  if ((permissions & 0200) != 0)
    return true;
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(HandleOf(m_fd), FileBasicInfo, &basic, sizeof basic))
    return Fail("chmod");
  basic.FileAttributes |= FILE_ATTRIBUTE_READONLY;
  if (!::SetFileInformationByHandle(HandleOf(m_fd), FileBasicInfo, &basic, sizeof basic))
    return Fail("chmod");
  return true;
}

bool ReplacementFile::Sync() {
  if (m_fd < 0) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return Fail("fsync");
  }
  if (!::FlushFileBuffers(HandleOf(m_fd)))
    return Fail("fsync");
  // The rename is written through (MOVEFILE_WRITE_THROUGH) in any case.
  m_durable = true;
  return true;
}

bool ReplacementFile::Commit() {
  if (m_fd < 0) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return Fail("commit");
  }
  const int fd = std::exchange(m_fd, -1);
  if (::_close(fd) != 0) {
    Fail("close");
    Discard();
    return false;
  }
  if (!::MoveFileExW(m_temporary.c_str(), m_target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    Fail("rename");
    Discard();
    return false;
  }
  ForgetTemporary(m_temporary);
  m_temporary.clear();
  m_partial = false;
  return true;
}

void ReplacementFile::Discard() {
  if (m_fd >= 0)
    ::_close(std::exchange(m_fd, -1));
  if (!m_temporary.empty()) {
    DeleteEvenReadOnly(m_temporary);
    ForgetTemporary(m_temporary);
    m_temporary.clear();
  }
  m_partial = false;
}

}  // namespace platform

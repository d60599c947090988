#include "platform/instance_lock.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <charconv>
#include <string>
#include <utility>

#include "wide_text.h"

// LockFileEx on one byte far past the end, so that the holder's process id
// at the start stays readable for a second copy (Windows locks are
// mandatory). The lock ends with the process however it ends; the handle is
// not inherited, so an installer started by the holder does not keep it.

namespace platform {

namespace {

constexpr std::uint64_t kLockOffset = std::uint64_t{1} << 62;

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  where.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return where;
}

std::optional<pid_t> ReadHolder(HANDLE file) {
  char text[32] = {};
  DWORD got = 0;
  OVERLAPPED start = At(0);
  if (!::ReadFile(file, text, sizeof text - 1, &got, &start) || got == 0)
    return std::nullopt;
  pid_t pid = 0;
  const auto [end, error] = std::from_chars(text, text + got, pid);
  if (error != std::errc() || end == text || pid <= 0)
    return std::nullopt;
  return pid;
}

}  // namespace

InstanceLock::~InstanceLock() {
  if (m_fd >= 0)
    ::_close(m_fd);
}

InstanceLock::Outcome InstanceLock::Unavailable(std::string reason) {
  m_reason = std::move(reason);
  return Outcome::kUnavailable;
}

InstanceLock::Outcome InstanceLock::TryAcquire(const std::filesystem::path& file) {
  m_reason.clear();
  m_otherHolder.reset();
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
  // OPEN_ALWAYS, never truncating: the holder's process id must survive a
  // second copy's open. A link in the file's place is not followed.
  HANDLE opened = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr,
                                OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  DWORD error = ::GetLastError();
  // Another account's file still locks: a read handle may lock too.
  if (opened == INVALID_HANDLE_VALUE && error == ERROR_ACCESS_DENIED) {
    opened = ::CreateFileW(file.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (opened == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_NOT_FOUND)
      error = ::GetLastError();
  }
  if (opened == INVALID_HANDLE_VALUE)
    return Unavailable(FileErrorText(error));
  // The link itself was opened, not followed: only a plain file is a lock.
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(opened, &information) ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
    ::CloseHandle(opened);
    return Unavailable("it is not a plain file");
  }
  OVERLAPPED lockAt = At(kLockOffset);
  if (!::LockFileEx(opened, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &lockAt)) {
    error = ::GetLastError();
    const bool busy = error == ERROR_LOCK_VIOLATION;
    if (busy)
      m_otherHolder = ReadHolder(opened);
    ::CloseHandle(opened);
    return busy ? Outcome::kHeldElsewhere : Unavailable(FileErrorText(error));
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(opened), _O_RDWR | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(opened);
    return Unavailable("no descriptor is left for it");
  }
  if (m_fd >= 0)
    ::_close(m_fd);
  m_fd = fd;
  const std::string pid = std::to_string(::GetCurrentProcessId()) + "\n";
  // A failed write loses only the name for a second copy; the lock holds.
  FILE_END_OF_FILE_INFO empty{};
  if (::SetFileInformationByHandle(HandleOf(fd), FileEndOfFileInfo, &empty, sizeof empty)) {
    DWORD written = 0;
    OVERLAPPED start = At(0);
    ::WriteFile(HandleOf(fd), pid.data(), static_cast<DWORD>(pid.size()), &written, &start);
  }
  return Outcome::kHeld;
}

}  // namespace platform

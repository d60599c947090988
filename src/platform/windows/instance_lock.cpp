#include "platform/instance_lock.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <mutex>
#include <string>
#include <utility>

#include "wide_text.h"

// The lock covers the whole machine, every user and session (a
// global mutex), and the file only names the holder (windows/instance_lock.cpp).

// On Windows the machine, not the user, is the unit: c:\temp, c:\ostrel and
// the settings file in the Windows folder are shared by every user and every
// session, and an updater that thinks itself alone removes the temporary
// files it finds in c:\temp. So the lock is a mutex in the global namespace
// of the machine's objects ("Global\" + the lock file's name), which every
// session sees (a terminal server's included), which needs no privilege to
// make, and which the system releases as abandoned however its owner ends.
// A folder shared by every user would do only as long as every updater could
// open every other's file: another user's copy of a file there is refused to
// us, and for a program without a requested execution level Windows answers
// a refused write in a system folder with a copy in the user's VirtualStore
// (res/ostrel-update.manifest), which locks nothing for anybody else.
//
// Another user's updater holds a mutex we may not open (its default security
// is its owner's): being refused it means that it is held. A second copy in
// this very process finds the process's own record of it.
//
// The lock file in the user's own folder only names the holder: LockFileEx on
// one byte far past the end marks it live, and the holder's process id at the
// start stays readable for a second copy of the same user, to name it and
// raise its window (another user's windows are on another desktop). Neither
// handle is inherited, so an installer started by the holder does not keep
// the lock after it ends.

namespace platform {

namespace {

constexpr std::uint64_t kLockOffset = std::uint64_t{1} << 62;
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  where.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return where;
}

bool LockByte(HANDLE file) {
  OVERLAPPED lockAt = At(kLockOffset);
  return ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &lockAt) != 0;
}

std::optional<ProcessId> ReadHolder(HANDLE file) {
  char text[32] = {};
  DWORD got = 0;
  OVERLAPPED start = At(0);
  if (!::ReadFile(file, text, sizeof text - 1, &got, &start) || got == 0)
    return std::nullopt;
  return LockHolderIn(std::string_view(text, got));
}

// The process id in the lock file while its writer still holds the file.
std::optional<ProcessId> LiveHolderIn(const std::filesystem::path& file) {
  const HANDLE opened = ::CreateFileW(file.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (opened == INVALID_HANDLE_VALUE)
    return std::nullopt;
  std::optional<ProcessId> holder;
  if (!LockByte(opened) && ::GetLastError() == ERROR_LOCK_VIOLATION)
    holder = ReadHolder(opened);
  ::CloseHandle(opened);
  return holder;
}

// Writes this process's id into the lock file and keeps it locked; -1 when
// the file cannot be made or locked (the machine's lock holds all the same).
int MarkAsHolder(const std::filesystem::path& file) {
  // OPEN_ALWAYS, never truncating before the lock is ours. A link in the
  // file's place is not followed.
  const HANDLE opened = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr,
                                      OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (opened == INVALID_HANDLE_VALUE)
    return -1;
  if (!LockByte(opened)) {
    ::CloseHandle(opened);
    return -1;
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(opened), _O_RDWR | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(opened);
    return -1;
  }
  const std::string pid = std::to_string(::GetCurrentProcessId()) + "\n";
  FILE_END_OF_FILE_INFO empty{};
  if (::SetFileInformationByHandle(HandleOf(fd), FileEndOfFileInfo, &empty, sizeof empty)) {
    DWORD written = 0;
    OVERLAPPED start = At(0);
    ::WriteFile(HandleOf(fd), pid.data(), static_cast<DWORD>(pid.size()), &written, &start);
  }
  return fd;
}

// The machine's lock as this process holds it: ownership of a mutex is the
// thread's, and a second wait by the same thread would succeed.
struct MachineLock {
  std::mutex guard;
  HANDLE mutex = nullptr;
  const InstanceLock* owner = nullptr;
};

MachineLock& TheMachineLock() {
  static MachineLock lock;
  return lock;
}

}  // namespace

InstanceLock::~InstanceLock() {
  if (m_fd >= 0)
    ::_close(m_fd);
  MachineLock& machine = TheMachineLock();
  std::lock_guard guard(machine.guard);
  if (machine.owner == this) {
    ::ReleaseMutex(machine.mutex);
    ::CloseHandle(machine.mutex);
    machine.mutex = nullptr;
    machine.owner = nullptr;
  }
}

InstanceLock::Outcome InstanceLock::TryAcquire(const std::filesystem::path& file) {
  m_reason.clear();
  m_otherHolder.reset();
  MachineLock& machine = TheMachineLock();
  std::lock_guard guard(machine.guard);
  if (machine.owner == this)
    return Outcome::kHeld;
  if (machine.owner != nullptr) {
    m_otherHolder = static_cast<ProcessId>(::GetCurrentProcessId());
    return Outcome::kHeldElsewhere;
  }
  const std::wstring name = L"Global\\" + file.filename().native();
  const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_ACCESS_DENIED)
      return Unavailable(FileErrorText(error));
    m_otherHolder = LiveHolderIn(file);
    return Outcome::kHeldElsewhere;
  }
  const DWORD waited = ::WaitForSingleObject(mutex, 0);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    ::CloseHandle(mutex);
    if (waited != WAIT_TIMEOUT)
      return Unavailable(FileErrorText(::GetLastError()));
    m_otherHolder = LiveHolderIn(file);
    return Outcome::kHeldElsewhere;
  }
  machine.mutex = mutex;
  machine.owner = this;
  // A failed mark loses only the name for a second copy; the lock holds.
  if (m_fd >= 0)
    ::_close(m_fd);
  m_fd = MarkAsHolder(file);
  return Outcome::kHeld;
}

}  // namespace platform

#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace platform {

namespace {

std::optional<ProcessId> ReadHolder(int fd) {
  char text[32] = {};
  const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
  if (got <= 0)
    return std::nullopt;
  return LockHolderIn(std::string_view(text, static_cast<std::size_t>(got)));
}

}  // namespace

InstanceLock::~InstanceLock() {
  if (m_fd >= 0)
    ::close(m_fd);
}

InstanceLock::Outcome InstanceLock::TryAcquire(const std::filesystem::path& file) {
  m_reason.clear();
  m_otherHolder.reset();
  // No O_TRUNC: the holder's process id must survive a second copy's open.
  // O_NOFOLLOW: a link in the file's place is refused, never followed to
  // make or lock a file elsewhere. O_NONBLOCK: a pipe there cannot hold us.
  constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
  int error = errno;
  // Another account's file still locks: flock needs no write access.
  if (fd < 0 && error == EACCES) {
    fd = ::open(file.c_str(), O_RDONLY | kFlags);
    if (fd < 0 && errno != ENOENT)
      error = errno;
  }
  if (fd < 0) {
    struct stat there {};
    if (error == ELOOP && ::lstat(file.c_str(), &there) == 0 && S_ISLNK(there.st_mode))
      return Unavailable("it is a symbolic link");
    if (error == EISDIR)
      return Unavailable("it is a folder");
    return Unavailable(std::strerror(error));
  }
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    ::close(fd);
    return Unavailable("it is not a plain file");
  }
  int locked;
  do
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    error = errno;
    const bool busy = error == EWOULDBLOCK;
    if (busy)
      m_otherHolder = ReadHolder(fd);
    ::close(fd);
    return busy ? Outcome::kHeldElsewhere : Unavailable(std::strerror(error));
  }
  if (m_fd >= 0)
    ::close(m_fd);
  m_fd = fd;
  const std::string pid = std::to_string(::getpid()) + "\n";
  // A failed write loses only the name for a second copy; the lock holds.
  if (::ftruncate(fd, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
  }
  return Outcome::kHeld;
}

}  // namespace platform

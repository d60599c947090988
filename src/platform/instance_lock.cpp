#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string>

namespace platform {

namespace {

std::optional<pid_t> ReadHolder(int fd) {
  char text[32] = {};
  const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
  if (got <= 0)
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
    ::close(m_fd);
}

InstanceLock::Outcome InstanceLock::TryAcquire(const std::filesystem::path& file) {
  // No O_TRUNC: the holder's process id must survive a second copy's open.
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  // Another account's file still locks: flock needs no write access.
  if (fd < 0 && errno == EACCES)
    fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0)
    return Outcome::kUnavailable;
  int locked;
  do
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    const bool busy = errno == EWOULDBLOCK;
    if (busy)
      m_otherHolder = ReadHolder(fd);
    ::close(fd);
    return busy ? Outcome::kHeldElsewhere : Outcome::kUnavailable;
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

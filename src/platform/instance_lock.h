// One holder at a time of a lock file: the updater's guard against a second
// copy of itself in the same prefix.
//
// The lock is flock() on the file, so it ends with the process however the
// process ends (a crash or SIGKILL included) and a stale file never blocks a
// later run. The holder writes its process id into the file, for a second
// copy to name it and raise its window. The descriptor is close-on-exec, so
// an installer started by the holder does not keep the lock after it ends.
//
// On Windows the lock covers the whole machine, every user and session (a
// global mutex), and the file only names the holder (windows/instance_lock.cpp).
//
// Main thread, at start.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>

namespace platform {

class InstanceLock {
 public:
  enum class Outcome {
    kHeld,           // this process holds it now
    kHeldElsewhere,  // another process does; OtherHolder() names it
    kUnavailable,    // the file cannot be made (no such folder, read-only)
  };

  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Tries once, without waiting. Creates the file if needed; a process that
  // does not get the lock changes nothing in it.
  Outcome TryAcquire(const std::filesystem::path& file);

  // The process id that the holder wrote; nullopt when unreadable.
  std::optional<pid_t> OtherHolder() const { return m_otherHolder; }

 private:
  int m_fd = -1;
  std::optional<pid_t> m_otherHolder;
};

}  // namespace platform

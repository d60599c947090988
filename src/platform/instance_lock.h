// One holder at a time of a lock file: the updater's guard against a second
// copy of itself in the same prefix (and on the same C: drive).
//
// The lock is flock() on the file, so it ends with the process however the
// process ends (a crash or SIGKILL included) and a stale file never blocks a
// later run. The holder writes its process id into the file, for a second
// copy to name it and raise its window. The descriptor is close-on-exec, so
// an installer started by the holder does not keep the lock after it ends.
//
// Only a plain file is a lock: a folder, a symbolic link (dangling or not),
// a pipe or a device in the file's place is kUnavailable, never followed or
// taken, and so is a file that cannot be made. Reason() then says why, for
// the user: the caller must not go on as if it held the lock.
//
// Main thread, at start.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/process_id.h"

namespace platform {

class InstanceLock {
 public:
  enum class Outcome {
    kHeld,           // this process holds it now
    kHeldElsewhere,  // another process does; OtherHolder() names it
    kUnavailable,    // no lock: the file cannot be made or is no plain file
  };

  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Tries once, without waiting. Creates the file if needed; a process that
  // does not get the lock changes nothing in it.
  Outcome TryAcquire(const std::filesystem::path& file);

  // The process id that the holder wrote; nullopt when unreadable.
  std::optional<ProcessId> OtherHolder() const { return m_otherHolder; }

  // After kUnavailable: why, in a few words ("it is a folder", the system's
  // "Permission denied").
  const std::string& Reason() const { return m_reason; }

 private:
  Outcome Unavailable(std::string reason);

  int m_fd = -1;
  std::optional<ProcessId> m_otherHolder;
  std::string m_reason;
};

// The process id that a lock file's text names ("1234\n", as the holder
// writes it); nullopt when it names none.
std::optional<ProcessId> LockHolderIn(std::string_view text);

}  // namespace platform

#include "platform/instance_lock.h"

#include <charconv>
#include <utility>

// What both systems' locks share: the holder's process id as the file holds
// it, and the reason a lock is unavailable.

namespace platform {

InstanceLock::Outcome InstanceLock::Unavailable(std::string reason) {
  m_reason = std::move(reason);
  return Outcome::kUnavailable;
}

std::optional<ProcessId> LockHolderIn(std::string_view text) {
  ProcessId pid = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pid);
  if (error != std::errc() || end == text.data() || pid <= 0)
    return std::nullopt;
  return pid;
}

}  // namespace platform

#include "platform/program_start.h"

#include <mutex>
#include <thread>

// What both builds' watched programs share: the state the waiting thread and
// the owner meet in, and the thread itself.

namespace platform {

struct WatchedProgram::Shared {
  std::mutex mutex;
  std::optional<int> status;
  // Cleared when the owner goes, so that a late end calls nothing.
  std::function<void()> onEnd;
};

WatchedProgram::WatchedProgram(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) {}

std::unique_ptr<WatchedProgram> WatchedProgram::Watch(std::function<int()> waitForEnd,
                                                      std::function<void()> onEnd) {
  auto shared = std::make_shared<Shared>();
  shared->onEnd = std::move(onEnd);
  // Detached: the thread owns its share of the state and ends with the child.
  std::thread([shared, waitForEnd = std::move(waitForEnd)] {
    const int status = waitForEnd();
    std::function<void()> onEnd;
    {
      std::lock_guard lock(shared->mutex);
      shared->status = status;
      onEnd = std::move(shared->onEnd);
      shared->onEnd = nullptr;
    }
    // Outside the lock: the owner may be going away on a thread that holds
    // locks the callback needs.
    if (onEnd)
      onEnd();
  }).detach();
  return std::unique_ptr<WatchedProgram>(new WatchedProgram(std::move(shared)));
}

WatchedProgram::~WatchedProgram() {
  std::lock_guard lock(m_shared->mutex);
  m_shared->onEnd = nullptr;
}

std::optional<int> WatchedProgram::ExitStatus() const {
  std::lock_guard lock(m_shared->mutex);
  return m_shared->status;
}

}  // namespace platform

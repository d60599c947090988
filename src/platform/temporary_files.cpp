#include "platform/temporary_files.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>

#include "platform/replacement_file.h"

namespace platform {

namespace {

// The download worker and the UI thread each write at most one file at a
// time; a few more slots cost nothing.
constexpr std::size_t kSlots = 8;
constexpr std::size_t kLongestPath = 4096;

enum SlotState : int { kFree, kFilling, kLive, kRemoving };

struct Slot {
  std::atomic<int> state{kFree};
  char path[kLongestPath];
};

std::array<Slot, kSlots> g_slots;
// Between the threads that remember and forget (never taken by a handler,
// which only claims live slots): a slot's path is never read while another
// thread fills it.
std::mutex g_tableMutex;

static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

void OnTerminationSignal(int signalNumber) {
  const int savedErrno = errno;
  RemoveLiveTemporaries();
  // The default action then ends the process with this signal as its cause.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signalNumber, &fallback, nullptr);
  errno = savedErrno;
  raise(signalNumber);
}

}  // namespace

bool RememberTemporary(const std::filesystem::path& path) {
  const std::string& text = path.native();
  if (text.size() >= kLongestPath)
    return false;
  const std::lock_guard hold(g_tableMutex);
  for (Slot& slot : g_slots) {
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling))
      continue;
    std::memcpy(slot.path, text.c_str(), text.size() + 1);
    slot.state.store(kLive);
    return true;
  }
  return false;
}

void ForgetTemporary(const std::filesystem::path& path) {
  const std::lock_guard hold(g_tableMutex);
  for (Slot& slot : g_slots) {
    if (slot.state.load() != kLive || path.native() != slot.path)
      continue;
    // A signal handler that is removing it already keeps the slot: the
    // process is ending.
    int expected = kLive;
    slot.state.compare_exchange_strong(expected, kFree);
    return;
  }
}

void RemoveLiveTemporaries() {
  for (Slot& slot : g_slots) {
    int expected = kLive;
    if (slot.state.compare_exchange_strong(expected, kRemoving))
      unlink(slot.path);
  }
}

void RemoveTemporariesOnTerminationSignals() {
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
    sigaddset(&action.sa_mask, signalNumber);
  for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
    sigaction(signalNumber, &action, nullptr);
}

std::size_t RemoveStaleTemporaries(const std::filesystem::path& folder,
                                   std::chrono::seconds unchangedFor) {
  const auto writtenBefore = std::filesystem::file_time_type::clock::now() - unchangedFor;
  std::size_t removed = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::error_code entryError;
    if (!IsTemporaryName(entry.path().filename().string()) || !entry.is_regular_file(entryError) ||
        entry.is_symlink(entryError))
      continue;
    if (unchangedFor.count() > 0) {
      const auto written = entry.last_write_time(entryError);
      if (entryError || written > writtenBefore)
        continue;
    }
    if (std::filesystem::remove(entry.path(), entryError))
      ++removed;
  }
  return removed;
}

}  // namespace platform

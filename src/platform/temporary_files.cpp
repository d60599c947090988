#include "platform/temporary_files.h"

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/replacement_file.h"
#include "platform/temporary_files_host.h"

// The table of live temporaries is the same on both systems; only the path's
// characters (bytes on Linux, UTF-16 on Windows) and the way a file is
// removed differ (temporary_files_host.h).

namespace platform {

namespace {

using PathChar = std::filesystem::path::value_type;

// The download worker and the UI thread each write at most one file at a
// time; a few more slots cost nothing.
constexpr std::size_t kSlots = 8;
// PATH_MAX on Linux; the longest path the wide functions take on Windows.
constexpr std::size_t kLongestPath = sizeof(PathChar) == 1 ? 4096 : 32768;

enum SlotState : int { kFree, kFilling, kLive, kRemoving };

struct Slot {
  std::atomic<int> state{kFree};
  PathChar path[kLongestPath];
};

std::array<Slot, kSlots> g_slots;
// Between the threads that remember and forget (never taken by a handler,
// which only claims live slots): a slot's path is never read while another
// thread fills it.
std::mutex g_tableMutex;

static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

}  // namespace

bool RememberTemporary(const std::filesystem::path& path) {
  const auto& text = path.native();
  if (text.size() >= kLongestPath)
    return false;
  const std::lock_guard hold(g_tableMutex);
  for (Slot& slot : g_slots) {
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling))
      continue;
    std::char_traits<PathChar>::copy(slot.path, text.c_str(), text.size() + 1);
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
      host::RemoveTemporaryNow(slot.path);
  }
}

std::size_t RemoveStaleTemporaries(const std::filesystem::path& folder,
                                   std::chrono::seconds unchangedFor) {
  const auto writtenBefore = std::filesystem::file_time_type::clock::now() - unchangedFor;
  std::size_t removed = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::error_code entryError;
    if (!IsTemporaryName(host::FileNameText(entry.path().filename())) ||
        !entry.is_regular_file(entryError) || entry.is_symlink(entryError))
      continue;
    if (unchangedFor.count() > 0) {
      const auto written = entry.last_write_time(entryError);
      if (entryError || written > writtenBefore)
        continue;
    }
    if (host::RemoveStaleTemporary(entry.path()))
      ++removed;
  }
  return removed;
}

}  // namespace platform

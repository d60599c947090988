#include "platform/temporary_files.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <cwchar>
#include <mutex>
#include <system_error>

#include "platform/replacement_file.h"
#include "wide_text.h"

// Windows has no termination signals. A console's Ctrl+C, Ctrl+Break, close,
// log-off and shut-down reach the handler below instead, on a thread of its
// own; it removes the live temporaries and lets the default handling end the
// process. The slots are the same as on Linux, holding wide paths.

namespace platform {

namespace {

constexpr std::size_t kSlots = 8;
constexpr std::size_t kLongestPath = 32768;

enum SlotState : int { kFree, kFilling, kLive, kRemoving };

struct Slot {
  std::atomic<int> state{kFree};
  wchar_t path[kLongestPath];
};

std::array<Slot, kSlots> g_slots;
std::mutex g_tableMutex;

BOOL WINAPI OnConsoleEnd(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      RemoveLiveTemporaries();
      break;
    default:
      break;
  }
  // Not handled: the next handler (the system's) ends the process.
  return FALSE;
}

void DeleteEvenReadOnly(const wchar_t* path) {
  ::SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(path);
}

}  // namespace

bool RememberTemporary(const std::filesystem::path& path) {
  const std::wstring& text = path.native();
  if (text.size() >= kLongestPath)
    return false;
  const std::lock_guard hold(g_tableMutex);
  for (Slot& slot : g_slots) {
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling))
      continue;
    std::wmemcpy(slot.path, text.c_str(), text.size() + 1);
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
    int expected = kLive;
    slot.state.compare_exchange_strong(expected, kFree);
    return;
  }
}

void RemoveLiveTemporaries() {
  for (Slot& slot : g_slots) {
    int expected = kLive;
    if (slot.state.compare_exchange_strong(expected, kRemoving))
      DeleteEvenReadOnly(slot.path);
  }
}

void RemoveTemporariesOnTerminationSignals() {
  ::SetConsoleCtrlHandler(OnConsoleEnd, TRUE);
}

std::size_t RemoveStaleTemporaries(const std::filesystem::path& folder,
                                   std::chrono::seconds unchangedFor) {
  const auto writtenBefore = std::filesystem::file_time_type::clock::now() - unchangedFor;
  std::size_t removed = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::error_code entryError;
    // Converted by the system, which never throws on a name it cannot map.
    if (!IsTemporaryName(Utf8FromWide(entry.path().filename().native())) ||
        !entry.is_regular_file(entryError) || entry.is_symlink(entryError))
      continue;
    if (unchangedFor.count() > 0) {
      const auto written = entry.last_write_time(entryError);
      if (entryError || written > writtenBefore)
        continue;
    }
    ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    if (::DeleteFileW(entry.path().c_str()))
      ++removed;
  }
  return removed;
}

}  // namespace platform

#include "platform/settings_leftovers.h"

#include <string>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace platform {
namespace {

bool IsDigit(fs::path::value_type c) {
  return c >= '0' && c <= '9';
}

bool IsLetterOrDigit(fs::path::value_type c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Compared as the system spells names (UTF-16 on Windows), so that no name
// needs converting: the part that matters is ASCII.
bool IsCopyName(std::basic_string_view<fs::path::value_type> name,
                std::basic_string_view<fs::path::value_type> settingsName) {
  if (name.size() < settingsName.size() + 3 || name[0] != '.' ||
      name.substr(1, settingsName.size()) != settingsName || name[settingsName.size() + 1] != '.')
    return false;
  const auto random = name.substr(settingsName.size() + 2);
  bool letters = true;
  bool digits = true;
  for (const auto c : random) {
    letters = letters && IsLetterOrDigit(c);
    digits = digits && IsDigit(c);
  }
  return (letters && random.size() == 6) || (digits && !random.empty() && random.size() <= 6);
}

}  // namespace

std::size_t RemoveStaleSettingsCopies(const fs::path& settingsFile,
                                      std::chrono::seconds unchangedFor) {
  std::error_code error;
  // The writer writes beside the file that a link names.
  fs::path file = fs::weakly_canonical(settingsFile, error);
  if (error)
    file = settingsFile;
  const fs::path::string_type settingsName = file.filename().native();
  const auto writtenBefore = fs::file_time_type::clock::now() - unchangedFor;
  std::size_t removed = 0;
  for (const auto& entry : fs::directory_iterator(file.parent_path(), error)) {
    std::error_code entryError;
    if (!IsCopyName(entry.path().filename().native(), settingsName) ||
        !entry.is_regular_file(entryError) || entry.is_symlink(entryError))
      continue;
    const auto written = entry.last_write_time(entryError);
    if (entryError || written > writtenBefore)
      continue;
    if (fs::remove(entry.path(), entryError))
      ++removed;
  }
  return removed;
}

}  // namespace platform

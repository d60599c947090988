#include "platform/replacement_file.h"

// The shape of a temporary file's name is the same on every host, so that
// clean-up finds what any build left behind.

namespace platform {

bool IsTemporaryName(std::string_view fileName) {
  constexpr std::string_view kEnd = ".part";
  constexpr std::size_t kDigits = 8;
  // ".", the target's name, ".", the digits, ".part"
  if (fileName.size() < 1 + 1 + kDigits + kEnd.size() || fileName.front() != '.' ||
      !fileName.ends_with(kEnd))
    return false;
  const std::string_view salt = fileName.substr(fileName.size() - kEnd.size() - kDigits, kDigits);
  const char dot = fileName[fileName.size() - kEnd.size() - kDigits - 1];
  return dot == '.' && salt.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

}  // namespace platform

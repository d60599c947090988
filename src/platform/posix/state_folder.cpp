#include "platform/state_folder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/host_path.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

// Longer names are cut, their start dropped (a prefix is told by its last
// folders), and the whole path's hash added, so that they stay apart.
constexpr std::size_t kLongestReadableName = 160;

std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

bool KeptAsItIs(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_';
}

std::string FileNameFor(const std::string& prefix) {
  std::string name;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto c = static_cast<unsigned char>(prefix[i]);
    if (c == '/') {
      if (i > 0)
        name += '-';
    } else if (KeptAsItIs(c)) {
      name += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      name += escaped;
    }
  }
  if (name.empty())
    name.push_back('-');  // the root folder
  if (name.size() > kLongestReadableName) {
    char hash[20];
    std::snprintf(hash, sizeof hash, "~%016llx", static_cast<unsigned long long>(Fnv1a(prefix)));
    name.erase(0, name.size() - kLongestReadableName);
    name.append(hash);
  }
  name.append(".ini");
  return name;
}

}  // namespace

std::optional<fs::path> UpdaterStateFile() {
  fs::path folder;
  // A relative value is no value, as the XDG rules say.
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
    folder = fs::path(state) / "ostrel-update";
  } else if (const auto home = HomeFolder()) {
    folder = *home / ".local" / "state" / "ostrel-update";
  } else {
    return std::nullopt;
  }
  std::error_code ec;
  fs::path prefix = fs::weakly_canonical(PrefixFolder(), ec);
  if (ec)
    prefix = PrefixFolder().lexically_normal();
  return folder / FileNameFor(prefix.string());
}

}  // namespace platform

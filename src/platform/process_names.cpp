#include "platform/process_list.h"

// Texts about processes that need nothing of the host.

namespace platform {

std::string_view LastPathSegment(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string PrefixOfEnvironment(std::string_view environment) {
  std::string_view home;
  while (!environment.empty()) {
    const std::size_t end = environment.find('\0');
    const std::string_view entry = environment.substr(0, end);
    if (entry.rfind("WINEPREFIX=", 0) == 0 && entry.size() > 11)
      return std::string(entry.substr(11));
    if (entry.rfind("HOME=", 0) == 0)
      home = entry.substr(5);
    if (end == std::string_view::npos)
      break;
    environment.remove_prefix(end + 1);
  }
  if (home.empty())
    return "";
  return std::string(home) + (home.back() == '/' ? ".wine" : "/.wine");
}

bool SamePrefix(const std::filesystem::path& a, const std::filesystem::path& b) {
  auto normal = [](const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path result = std::filesystem::weakly_canonical(path, ec);
    if (ec)
      result = path;
    result = result.lexically_normal();
    std::string text = result.string();
    while (text.size() > 1 && text.back() == '/')
      text.pop_back();
    return text;
  };
  return !a.empty() && !b.empty() && a.is_absolute() && b.is_absolute() && normal(a) == normal(b);
}

}  // namespace platform

#include "platform/host_path.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/ascii.h"
#include "platform/codepage.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

bool IsSlash(char c) {
  return c == '\\' || c == '/';
}

// Splits at either slash, dropping empty and "." parts and resolving ".."
// without ever climbing above the first part that the caller keeps fixed.
std::vector<std::string> SplitComponents(std::string_view text) {
  std::vector<std::string> parts;
  std::string current;
  auto flush = [&] {
    if (current.empty() || current == ".") {
    } else if (current == "..") {
      if (!parts.empty())
        parts.pop_back();
    } else {
      parts.push_back(current);
    }
    current.clear();
  };
  for (char c : text) {
    if (IsSlash(c)) {
      flush();
    } else {
      current += c;
    }
  }
  flush();
  return parts;
}

// Appends one component, preferring an existing entry that differs only in case.
fs::path AppendComponent(const fs::path& base, const std::string& utf8Name) {
  fs::path exact = base / utf8Name;
  std::error_code ec;
  if (fs::exists(fs::symlink_status(exact, ec)))
    return exact;
  fs::directory_iterator it(base, ec);
  if (ec)
    return exact;
  for (const auto& entry : it) {
    if (EqualsIgnoringCase(entry.path().filename().string(), utf8Name))
      return entry.path();
  }
  return exact;
}

fs::path AppendAll(fs::path base, const std::vector<std::string>& parts) {
  for (const auto& part : parts)
    base = AppendComponent(base, Cp1252ToUtf8(part));
  return base;
}

// The settings file lives in c:\windows, so a C drive without it gets one.
void EnsureDriveC(const fs::path& prefix) {
  std::error_code ec;
  if (fs::exists(prefix / "dosdevices" / "c:", ec))
    return;
  if (fs::is_directory(prefix / "drive_c" / "windows", ec))
    return;
  fs::create_directories(prefix / "drive_c" / "windows", ec);
}

fs::path DriveRoot(const fs::path& prefix, char letter) {
  const char drive = AsciiLower(letter);
  std::error_code ec;
  const fs::path link = prefix / "dosdevices" / (std::string(1, drive) + ":");
  if (fs::exists(link, ec))
    return link;
  return prefix / (std::string("drive_") + drive);
}

bool IsDriveLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::optional<fs::path> HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home == '/')
    return fs::path(home);
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/')
    return std::nullopt;
  return fs::path(found->pw_dir);
}

fs::path PrefixFolder() {
  for (const char* name : {"OSTREL_PREFIX", "WINEPREFIX"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      std::error_code ec;
      const fs::path absolute = fs::absolute(value, ec);
      return ec ? fs::path(value) : absolute;
    }
  }
  const auto home = HomeFolder();
  return (home ? *home : fs::path("/nonexistent")) / ".wine";
}

fs::path HostPath(std::string_view windowsPath) {
  const bool hasDrive =
      windowsPath.size() >= 2 && IsDriveLetter(windowsPath[0]) && windowsPath[1] == ':';
  const bool isUnc = windowsPath.size() >= 2 && IsSlash(windowsPath[0]) &&
                     IsSlash(windowsPath[1]) && (windowsPath[0] == '\\' || windowsPath[1] == '\\');
  const bool isHost = !windowsPath.empty() && windowsPath[0] == '/' && !isUnc;
  const bool isRootedWithoutDrive = !windowsPath.empty() && windowsPath[0] == '\\' && !isUnc;

  if (isHost)
    return fs::path(std::string(windowsPath));

  if (hasDrive || isUnc || isRootedWithoutDrive) {
    const fs::path prefix = PrefixFolder();
    EnsureDriveC(prefix);
    if (isUnc) {
      return AppendAll(prefix / "dosdevices" / "unc", SplitComponents(windowsPath.substr(2)));
    }
    const char letter = hasDrive ? windowsPath[0] : 'c';
    const std::string_view rest = hasDrive ? windowsPath.substr(2) : windowsPath;
    return AppendAll(DriveRoot(prefix, letter), SplitComponents(rest));
  }

  std::string relative = Cp1252ToUtf8(windowsPath);
  for (char& c : relative) {
    if (c == '\\')
      c = '/';
  }
  return fs::path(relative);
}

std::string FullPathName(std::string_view path) {
  const bool hasDrive = path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':';
  const bool rooted = !path.empty() && IsSlash(path[0]);
  if (path.empty() || hasDrive || rooted)
    return std::string(path);
  std::error_code ec;
  const fs::path full = fs::absolute(HostPath(path), ec).lexically_normal();
  return ec ? std::string(path) : Utf8ToCp1252(full.string());
}

std::string HostPathText(std::string_view windowsPath) {
  return HostPath(windowsPath).string();
}

std::optional<fs::path> DriveCFolder() {
  const fs::path drive = HostPath("c:\\");
  std::error_code ec;
  fs::path resolved = fs::weakly_canonical(drive, ec);
  return ec ? drive : resolved;
}

}  // namespace platform

#include "platform/host_path.h"

#include <windows.h>
//
#include <shlobj.h>

#include <cstdlib>
#include <system_error>

#include "wide_text.h"

// The suite's paths are the host's own: HostPath only converts the
// text to UTF-16 (either slash, relative stays relative). HomeFolder is the
// user's profile folder. PrefixFolder holds only the updater's own state (the
// one-updater lock): $OSTREL_PREFIX, else "<local application data>\Ostrel"
// of the user who runs it.

// On Windows the suite's paths are the host's own: nothing is mapped, only
// converted to UTF-16. The prefix, which on Linux is the Wine prefix holding
// the suite's drives, is here only where the updater keeps its own per-user
// state (the one-updater lock): $OSTREL_PREFIX when set (tests and the demo),
// else "<local application data>\Ostrel" of the user who runs it. A folder
// every user has and may write, that no other user can plant files in.

namespace fs = std::filesystem;

namespace platform {
namespace {

std::optional<fs::path> KnownFolder(REFKNOWNFOLDERID id) {
  wchar_t* found = nullptr;
  std::optional<fs::path> folder;
  if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &found)) && found != nullptr &&
      *found != L'\0')
    folder = fs::path(found);
  ::CoTaskMemFree(found);
  return folder;
}

std::optional<std::wstring> Environment(const wchar_t* name) {
  const wchar_t* value = ::_wgetenv(name);
  if (value == nullptr || *value == L'\0')
    return std::nullopt;
  return std::wstring(value);
}

}  // namespace

std::optional<fs::path> HomeFolder() {
  if (const auto profile = Environment(L"USERPROFILE"); profile && fs::path(*profile).is_absolute())
    return fs::path(*profile);
  return KnownFolder(FOLDERID_Profile);
}

fs::path PrefixFolder() {
  if (const auto given = Environment(L"OSTREL_PREFIX")) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(*given, ec);
    return ec ? fs::path(*given) : absolute;
  }
  if (const auto local = KnownFolder(FOLDERID_LocalAppData))
    return *local / L"Ostrel";
  // Without one the lock cannot be made, and the updater refuses to run.
  return fs::path(L"\\\\?\\nonexistent\\Ostrel");
}

fs::path HostPath(std::string_view windowsPath) {
  return fs::path(WideFromCp1252(windowsPath)).make_preferred();
}

std::string FullPathName(std::string_view path) {
  if (path.empty())
    return {};
  const std::wstring wide = WideFromCp1252(path);
  const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  std::wstring full(needed, L'\0');
  const DWORD made =
      needed == 0 ? 0 : ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (made == 0 || made >= needed)
    return std::string(path);
  full.resize(made);
  return Cp1252FromWide(full);
}

std::string HostPathText(std::string_view windowsPath) {
  return Utf8FromWide(HostPath(windowsPath).native());
}

std::optional<fs::path> DriveCFolder() {
  return std::nullopt;
}

}  // namespace platform

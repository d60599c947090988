#include "platform/profile_file.h"

#include <windows.h>

#include <vector>

// Read and Write are the system's profile functions, as the
// suite's own programs use them: a file of c:\windows is named to them by its
// bare name, and the file's syntax, sharing and redirection are the system's
// (windows/profile_file.cpp). Entries that Write refuses are refused there too.

// On Windows the suite's programs keep their settings through the system's
// profile functions (GetPrivateProfileStringA, WritePrivateProfileStringA,
// which the framework's GetProfileString and WriteProfileString call) with
// the bare name "ostrel.ini". The updater reads and writes through the very
// same functions and the same bare name, so that Windows finds, shares and
// redirects the file for it exactly as it does for them:
// - the system looks a bare name up in the Windows folder as GetWindowsDirectory
//   gives it, which on a terminal server is the user's own Windows folder for a
//   program that, like the suite's, is not marked terminal-server aware
//   (GetWindowsDirectory's documentation; the updater is built unmarked too);
// - for a standard user the write of a 32-bit program without a requested
//   execution level is redirected into the user's VirtualStore
//   (%LOCALAPPDATA%\VirtualStore\Windows\ostrel.ini), and later reads get that
//   copy back (see res/ostrel-update.manifest);
// - the system serialises its own readers and writers, and a file in UTF-16
//   with a byte-order mark is read and written in UTF-16, as the system does it.
// The core names the shared file "c:\windows\ostrel.ini" (support/settings.h),
// which on Linux is a place in the Wine prefix; here a file of that folder is
// handed to the system by its bare name. Any other path is given as it stands.
//
// Texts are the bytes the "A" functions give the suite's programs: the wide
// functions are called (paths may hold any character) and texts converted
// through the ANSI code page, which is Windows-1252 wherever the suite is sold.
// Refused entries (IsWritableProfileEntry) never reach the system. Any thread.

namespace fs = std::filesystem;

namespace platform {
namespace {

// What the system returns for an absent key: no value can hold a line break.
constexpr wchar_t kAbsent[] = L"\n";

std::wstring WideFromAnsi(std::string_view text) {
  if (text.empty())
    return {};
  const int size = static_cast<int>(text.size());
  std::wstring wide(::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

std::string AnsiFromWide(std::wstring_view text) {
  if (text.empty())
    return {};
  const int size = static_cast<int>(text.size());
  std::string narrow(
      ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, narrow.data(),
                        static_cast<int>(narrow.size()), nullptr, nullptr);
  return narrow;
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
  return ::CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

// The name the system's profile functions get for `path`.
std::wstring NameForTheSystem(const fs::path& path) {
  if (path.has_filename() && EqualsNoCase(path.parent_path().native(), L"c:\\windows"))
    return path.filename().native();
  return path.native();
}

}  // namespace

std::optional<std::string> ProfileFile::Read(std::string_view section, std::string_view key) const {
  const std::wstring name = NameForTheSystem(m_path);
  const std::wstring wideSection = WideFromAnsi(section);
  const std::wstring wideKey = WideFromAnsi(key);
  // Room for the longest value a write takes, and its end.
  std::vector<wchar_t> value(kLongestValue + 2);
  const DWORD length =
      ::GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), kAbsent, value.data(),
                                 static_cast<DWORD>(value.size()), name.c_str());
  const std::wstring_view found(value.data(), length);
  if (found == kAbsent)
    return std::nullopt;
  return AnsiFromWide(found);
}

// A read per key, through the system's functions as every other read: they
// alone know how the file is mapped and redirected.
std::vector<std::optional<std::string>> ProfileFile::ReadMany(
    std::string_view section, const std::vector<std::string>& keys) const {
  std::vector<std::optional<std::string>> values;
  values.reserve(keys.size());
  for (const std::string& key : keys)
    values.push_back(Read(section, key));
  return values;
}

bool ProfileFile::Write(std::string_view section, std::string_view key,
                        std::string_view value) const {
  if (!IsWritableProfileEntry(section, key, value))
    return false;
  const std::wstring name = NameForTheSystem(m_path);
  return ::WritePrivateProfileStringW(WideFromAnsi(section).c_str(), WideFromAnsi(key).c_str(),
                                      WideFromAnsi(value).c_str(), name.c_str()) != 0;
}

}  // namespace platform

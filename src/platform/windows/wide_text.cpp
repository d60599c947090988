#include "wide_text.h"

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

constexpr UINT kWindows1252 = 1252;

}  // namespace

std::wstring WideFromCp1252(std::string_view text) {
  if (text.empty())
    return {};
  const int size = static_cast<int>(text.size());
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  // Every byte has a character in 1252, so the length never changes.
  const int made = ::MultiByteToWideChar(kWindows1252, 0, text.data(), size, wide.data(), size);
  wide.resize(made > 0 ? static_cast<std::size_t>(made) : 0);
  return wide;
}

std::string Cp1252FromWide(std::wstring_view text) {
  if (text.empty())
    return {};
  const int size = static_cast<int>(text.size());
  // Without the flag Windows writes a look-alike where it has one (l for ł),
  // and '?' only for the rest; the suite's texts get '?' throughout, as
  // platform::Utf8ToCp1252 gives them.
  constexpr DWORD kFlags = WC_NO_BEST_FIT_CHARS;
  const int needed =
      ::WideCharToMultiByte(kWindows1252, kFlags, text.data(), size, nullptr, 0, "?", nullptr);
  std::string narrow(needed > 0 ? static_cast<std::size_t>(needed) : 0, '\0');
  if (needed > 0)
    ::WideCharToMultiByte(kWindows1252, kFlags, text.data(), size, narrow.data(), needed, "?",
                          nullptr);
  return narrow;
}

std::string Utf8FromWide(std::wstring_view text) {
  if (text.empty())
    return {};
  const int size = static_cast<int>(text.size());
  const int needed =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(needed > 0 ? static_cast<std::size_t>(needed) : 0, '\0');
  if (needed > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), needed, nullptr, nullptr);
  return utf8;
}

std::string SystemErrorText(DWORD code, HMODULE module) {
  wchar_t* buffer = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
      (module != nullptr ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
  const DWORD length =
      ::FormatMessageW(flags, module, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer != nullptr ? buffer : L"", length);
  if (buffer != nullptr)
    ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                           text.back() == L'.'))
    text.pop_back();
  if (text.empty())
    return "error " + std::to_string(code);
  return Cp1252FromWide(text);
}

std::string FileErrorText(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return std::strerror(ENOENT);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return std::strerror(EACCES);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return std::strerror(ENOSPC);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return std::strerror(EEXIST);
    case ERROR_WRITE_PROTECT:
      return std::strerror(EROFS);
    default:
      return SystemErrorText(code);
  }
}

}  // namespace platform

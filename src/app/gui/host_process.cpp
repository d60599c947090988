#include "app/gui/host_process.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <memory>
#endif

#ifdef _WIN32

namespace {

std::string Utf8FromWide(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1)
    return {};
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();  // the terminating null
  return utf8;
}

bool HasUsableHandle(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  const std::unique_ptr<LPWSTR, decltype(&LocalFree)> wide(
      CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
  if (!wide)
    return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i)
    arguments.push_back(Utf8FromWide(wide.get()[i]));
  return arguments;
}

void WriteToStartingConsole() {
  const bool output = HasUsableHandle(STD_OUTPUT_HANDLE);
  const bool errors = HasUsableHandle(STD_ERROR_HANDLE);
  if ((output && errors) || !AttachConsole(ATTACH_PARENT_PROCESS))
    return;
  if (!output)
    std::freopen("CONOUT$", "w", stdout);
  if (!errors)
    std::freopen("CONOUT$", "w", stderr);
}

#else

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

void WriteToStartingConsole() {}

#endif

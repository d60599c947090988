#include "testkit/windows/windows_text.h"

#include <windows.h>

#include <memory>
#include <stdexcept>

std::wstring Wide(std::string_view text) {
  if (text.empty())
    return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty())
    return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size,
                      nullptr, nullptr);
  return narrow;
}

std::wstring CommandLine(const std::vector<std::wstring>& arguments) {
  std::wstring line;
  for (const std::wstring& argument : arguments) {
    if (!line.empty())
      line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
      line += argument;
      continue;
    }
    // Backslashes double only before a quote, the quoted one's own or the closing one.
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
      if (c == L'\\') {
        ++backslashes;
        continue;
      }
      line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
      backslashes = 0;
      line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
  }
  return line;
}

std::string UnixPathUnderWine(const std::filesystem::path& path) {
  using Convert = char*(__cdecl*)(const wchar_t*);
  const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr)
    throw std::runtime_error("not running under Wine");
  char* unixPath = convert(std::filesystem::absolute(path).c_str());
  if (unixPath == nullptr)
    throw std::runtime_error("Wine has no Unix path for " + path.string());
  std::string result = unixPath;
  HeapFree(GetProcessHeap(), 0, unixPath);
  return result;
}

void StartUnixProgram(const std::vector<std::string>& arguments, bool outputToTestErrors,
                      const std::string& what) {
  std::vector<std::wstring> command;
  for (const std::string& argument : arguments)
    command.push_back(Wide(argument));
  std::wstring commandLine = CommandLine(command);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (outputToTestErrors) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, outputToTestErrors, 0, nullptr,
                      nullptr, &startup, &started))
    throw std::runtime_error("cannot start " + what + " under Wine");
  for (HANDLE handle : {started.hProcess, started.hThread})
    if (handle != nullptr)
      CloseHandle(handle);
}

#include "platform/program_start.h"

#include <windows.h>
//
#include <shellapi.h>

#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/codepage.h"
#include "platform/host_path.h"
#include "platform/windows_program.h"
#include "wide_text.h"

// CreateProcess with the command line as WinExec reads it: the program is
// the quoted first part, or the longest leading part that names an existing
// file, so "c:\Program Files\x\setup.exe /S" starts setup.exe and never
// "c:\Program". The arguments go to the program as written, for it to parse
// as Windows programs do. Only Windows programs are started (no scripts, no
// documents); a program that asks to run as administrator is started through
// the shell, which asks the user to allow it, as Explorer would. Handles are
// not inherited; the environment and the current folder are.

namespace fs = std::filesystem;

namespace platform {
namespace {

// ERROR_ELEVATION_REQUIRED, which mingw-w64's headers do not name.
constexpr DWORD kElevationRequired = 740;

bool IsRegularFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

std::vector<std::string> SplitAtBlanks(std::string_view text) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!current.empty())
        parts.push_back(Cp1252ToUtf8(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty())
    parts.push_back(Cp1252ToUtf8(current));
  return parts;
}

struct ProgramAndRest {
  fs::path program;
  std::string_view rest;
};

std::optional<ProgramAndRest> FindProgram(std::string_view commandLine) {
  while (!commandLine.empty() && (commandLine.front() == ' ' || commandLine.front() == '\t')) {
    commandLine.remove_prefix(1);
  }
  if (commandLine.empty())
    return std::nullopt;
  if (commandLine.front() == '"') {
    const std::size_t close = commandLine.find('"', 1);
    const std::string_view quoted =
        commandLine.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    const fs::path program = HostPath(quoted);
    if (!IsRegularFile(program))
      return std::nullopt;
    return ProgramAndRest{program, close == std::string_view::npos ? std::string_view()
                                                                   : commandLine.substr(close + 1)};
  }
  for (std::size_t end = commandLine.size();;) {
    const std::string_view candidate = commandLine.substr(0, end);
    if (!candidate.empty() && candidate.back() != ' ') {
      const fs::path program = HostPath(candidate);
      if (IsRegularFile(program))
        return ProgramAndRest{program, commandLine.substr(end)};
    }
    const std::size_t blank = end == 0 ? std::string_view::npos : commandLine.rfind(' ', end - 1);
    if (blank == std::string_view::npos)
      return std::nullopt;
    end = blank;
  }
}

struct Checked {
  fs::path program;
  std::string_view rest;
};

std::optional<Checked> CheckCommandLine(std::string_view windowsCommandLine, std::string* refusal) {
  const auto found = FindProgram(windowsCommandLine);
  if (!found)
    return std::nullopt;
  const WindowsMachine machine = MachineOf(found->program);
  if (machine == WindowsMachine::NotWindows)
    return std::nullopt;
  std::string_view named =
      windowsCommandLine.substr(0, windowsCommandLine.size() - found->rest.size());
  while (!named.empty() && (named.front() == ' ' || named.front() == '\t' || named.front() == '"'))
    named.remove_prefix(1);
  while (!named.empty() && named.back() == '"')
    named.remove_suffix(1);
  const std::string why =
      WhyWindowsProgramCannotRun(std::string(named), machine, true, WineRuns32BitPrograms());
  if (!why.empty()) {
    if (refusal != nullptr)
      *refusal = why;
    return std::nullopt;
  }
  return Checked{found->program, found->rest};
}

// The shell's way, which shows the elevation prompt that CreateProcess refuses to.
HANDLE StartElevated(const fs::path& program, const std::wstring& arguments) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = program.c_str();
  info.lpParameters = arguments.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info))
    return nullptr;
  return info.hProcess;
}

// The started process's handle; nullptr when it did not start.
HANDLE Spawn(std::string_view windowsCommandLine, std::string* refusal) {
  const auto checked = CheckCommandLine(windowsCommandLine, refusal);
  if (!checked)
    return nullptr;
  const std::wstring arguments = WideFromCp1252(checked->rest);
  std::wstring commandLine = L"\"" + checked->program.native() + L"\"" + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(checked->program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &started)) {
    if (::GetLastError() != kElevationRequired)
      return nullptr;
    return StartElevated(checked->program, arguments);
  }
  ::CloseHandle(started.hThread);
  return started.hProcess;
}

int WaitFor(HANDLE process) {
  ::WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  const bool known = ::GetExitCodeProcess(process, &code);
  ::CloseHandle(process);
  return known ? static_cast<int>(code) : -1;
}

}  // namespace

std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> environment;
  wchar_t* block = ::GetEnvironmentStringsW();
  if (block == nullptr)
    return environment;
  for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    // The hidden "=C:=C:\..." entries are the shell's drive folders, not variables.
    if (*entry != L'=')
      environment.push_back(Utf8FromWide(entry));
  }
  ::FreeEnvironmentStringsW(block);
  return environment;
}

std::optional<ResolvedCommand> ResolveCommandLine(std::string_view windowsCommandLine,
                                                  std::string* refusal) {
  const auto checked = CheckCommandLine(windowsCommandLine, refusal);
  if (!checked)
    return std::nullopt;
  ResolvedCommand command;
  command.argv.push_back(Utf8FromWide(checked->program.native()));
  for (auto& argument : SplitAtBlanks(checked->rest))
    command.argv.push_back(std::move(argument));
  return command;
}

bool StartProgram(std::string_view windowsCommandLine, std::string* refusal) {
  const HANDLE process = Spawn(windowsCommandLine, refusal);
  if (process == nullptr)
    return false;
  // Nothing to reap on Windows: the handle is all there is to let go.
  ::CloseHandle(process);
  return true;
}

bool RunProgramAndWait(std::string_view windowsCommandLine, int* exitCode, std::string* refusal) {
  const HANDLE process = Spawn(windowsCommandLine, refusal);
  if (process == nullptr)
    return false;
  const int status = WaitFor(process);
  if (exitCode != nullptr)
    *exitCode = status;
  return true;
}

struct WatchedProgram::Shared {
  std::mutex mutex;
  std::optional<int> status;
  std::function<void()> onEnd;
};

WatchedProgram::WatchedProgram(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) {}

std::unique_ptr<WatchedProgram> WatchedProgram::Start(std::string_view windowsCommandLine,
                                                      std::function<void()> onEnd,
                                                      std::string* refusal) {
  const HANDLE process = Spawn(windowsCommandLine, refusal);
  if (process == nullptr)
    return nullptr;
  auto shared = std::make_shared<Shared>();
  shared->onEnd = std::move(onEnd);
  std::thread([shared, process] {
    const int status = WaitFor(process);
    std::function<void()> onEnd;
    {
      std::lock_guard lock(shared->mutex);
      shared->status = status;
      onEnd = std::move(shared->onEnd);
      shared->onEnd = nullptr;
    }
    if (onEnd)
      onEnd();
  }).detach();
  return std::unique_ptr<WatchedProgram>(new WatchedProgram(std::move(shared)));
}

WatchedProgram::~WatchedProgram() {
  std::lock_guard lock(m_shared->mutex);
  m_shared->onEnd = nullptr;
}

std::optional<int> WatchedProgram::ExitStatus() const {
  std::lock_guard lock(m_shared->mutex);
  return m_shared->status;
}

}  // namespace platform

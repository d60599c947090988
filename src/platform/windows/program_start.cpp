#include "platform/program_start.h"

#include <windows.h>
//
#include <shellapi.h>

#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/codepage.h"
#include "platform/command_line_program.h"
#include "platform/host_path.h"
#include "platform/windows_program.h"
#include "wide_text.h"

// The program is started by CreateProcess (through the shell when
// it asks to run as administrator), only Windows programs are started, the
// arguments reach it as written, and the environment is passed on as it is.
// There a program inherits the updater's inheritable handles only when asked
// to (HandleInheritance); the updater's own files are never inheritable.

// CreateProcess with the command line as WinExec reads it: the program is
// the quoted first part, or the longest leading part that names an existing
// file, so "c:\Program Files\x\setup.exe /S" starts setup.exe and never
// "c:\Program". The arguments go to the program as written, for it to parse
// as Windows programs do. Only Windows programs are started (no scripts, no
// documents); a program that asks to run as administrator is started through
// the shell, which asks the user to allow it, as Explorer would. The
// environment and the current folder are inherited, and handles when asked:
// the updater opens its own files uninheritable (no security attributes, or
// the "N" mode), so what an installer of the "run" mode inherits is in
// practice what the updater was given itself, its standard handles.

namespace fs = std::filesystem;

namespace platform {
namespace {

// ERROR_ELEVATION_REQUIRED, which mingw-w64's headers do not name.
constexpr DWORD kElevationRequired = 740;

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
  const std::string why =
      WhyWindowsProgramCannotRun(std::string(found->named), machine, true, true);
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
HANDLE Spawn(std::string_view windowsCommandLine, std::string* refusal,
             HandleInheritance inheritance = HandleInheritance::kNone) {
  const auto checked = CheckCommandLine(windowsCommandLine, refusal);
  if (!checked)
    return nullptr;
  const std::wstring arguments = WideFromCp1252(checked->rest);
  std::wstring commandLine = L"\"" + checked->program.native() + L"\"" + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  const BOOL inherit = inheritance == HandleInheritance::kInherited;
  if (!::CreateProcessW(checked->program.c_str(), commandLine.data(), nullptr, nullptr, inherit, 0,
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

std::unique_ptr<WatchedProgram> WatchedProgram::Start(std::string_view windowsCommandLine,
                                                      std::function<void()> onEnd,
                                                      std::string* refusal,
                                                      HandleInheritance inheritance) {
  const HANDLE process = Spawn(windowsCommandLine, refusal, inheritance);
  if (process == nullptr)
    return nullptr;
  return Watch([process] { return WaitFor(process); }, std::move(onEnd));
}

// GetExitCodeProcess gives the whole 32-bit code.
int WindowsExitStatus(int status) {
  return status;
}

}  // namespace platform

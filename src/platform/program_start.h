// Starting programs from a Windows command line, as WinExec and CreateProcess
// would, on Linux.
//
// The program is the longest leading part of the command line (or the quoted
// first part) that names an existing file, so "c:\Program Files\x\setup.exe /S"
// starts setup.exe and never "c:\Program". The rest, split at blanks, are its
// arguments. A file beginning with "#!" runs under the interpreter it names; a
// Windows program ("MZ") runs under wine when wine is installed; any other file
// runs when it is executable. Programs are started with posix_spawn and an
// argument vector (never a shell), inherit only descriptors 0 to 2 and the
// current folder, and are always reaped. Any thread may call.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct ResolvedCommand {
  std::vector<std::string> argv;  // host texts (UTF-8), argv[0] the program to exec
};

// How the command line would be started; nullopt when it names no file that
// can be run.
std::optional<ResolvedCommand> ResolveCommandLine(std::string_view windowsCommandLine);

// Starts and returns at once (WinExec). True when the program started; the
// child is reaped in the background when it ends.
bool StartProgram(std::string_view windowsCommandLine);

// Starts and waits for the end without a time limit (CreateProcess, then
// WaitForSingleObject). True when the program started; its exit status in
// *exitCode when given.
bool RunProgramAndWait(std::string_view windowsCommandLine, int* exitCode = nullptr);

}  // namespace platform

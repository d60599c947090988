// Starting programs from a Windows command line, as WinExec and CreateProcess
// would, on Linux.
//
// The program is the longest leading part of the command line (or the quoted
// first part) that names an existing file, so "c:\Program Files\x\setup.exe /S"
// starts setup.exe and never "c:\Program". The rest, split at blanks, are its
// arguments. A file beginning with "#!" runs under the interpreter it names; a
// Windows program ("MZ") runs under wine when this machine's Wine can run it
// (see windows_program.h); any other file runs when it is executable. Programs
// are started with posix_spawn and an argument vector (never a shell), inherit
// only descriptors 0 to 2 and the current folder, and are always reaped.
//
// Every program runs in the prefix the updater resolved: its environment is
// the updater's own with WINEPREFIX set to that prefix's absolute path, so
// wine never falls back to another prefix (~/.wine) while the updater's files
// are in this one. Any thread may call.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct ResolvedCommand {
  std::vector<std::string> argv;  // host texts (UTF-8), argv[0] the program to exec
};

// How the command line would be started; nullopt when it names no file that
// can be run. When that file is a Windows program this machine can't run,
// *refusal (when given) gets one sentence for the user naming what to install.
std::optional<ResolvedCommand> ResolveCommandLine(std::string_view windowsCommandLine,
                                                  std::string* refusal = nullptr);

// The environment every started program gets, as "NAME=value" texts.
std::vector<std::string> ChildEnvironment();

// Starts and returns at once (WinExec). True when the program started; the
// child is reaped in the background when it ends.
bool StartProgram(std::string_view windowsCommandLine, std::string* refusal = nullptr);

// Starts and waits for the end without a time limit (CreateProcess, then
// WaitForSingleObject). True when the program started; its exit status in
// *exitCode when given.
bool RunProgramAndWait(std::string_view windowsCommandLine, int* exitCode = nullptr,
                       std::string* refusal = nullptr);

// Whether a program started by WatchedProgram inherits the updater's
// inheritable handles (CreateProcess's bInheritHandles), as the installers of
// the network "run" mode do: in practice the standard handles the updater was
// given. On Linux every program gets descriptors 0 to 2 either way.
enum class HandleInheritance { kNone, kInherited };

// An installer's exit status as Windows gives it, from the status the system
// reported for its process: in particular the two codes by which an installer
// says that a restart will finish it, 3010 and 1641.
int WindowsExitStatus(int status);

// A started program whose end is awaited on a thread of its own, so that the
// caller's thread (the UI thread) goes on. `onEnd` is called once, from that
// thread, when the program has ended, unless the object has gone before;
// since a call may be under way as the object goes, `onEnd` must not refer to
// its owner (posting a command is what it is for). Destroying the object
// neither waits for the program nor blocks: the waiting thread still reaps
// it. Create and destroy on one thread; ExitStatus from any.
class WatchedProgram {
 public:
  // nullptr when the program can't be started (*refusal as for ResolveCommandLine).
  static std::unique_ptr<WatchedProgram> Start(
      std::string_view windowsCommandLine, std::function<void()> onEnd,
      std::string* refusal = nullptr, HandleInheritance inheritance = HandleInheritance::kNone);
  ~WatchedProgram();
  WatchedProgram(const WatchedProgram&) = delete;
  WatchedProgram& operator=(const WatchedProgram&) = delete;

  // The exit status (128 + the signal for a program killed by one) once the
  // program has ended; nullopt while it runs.
  std::optional<int> ExitStatus() const;

 private:
  struct Shared;
  explicit WatchedProgram(std::shared_ptr<Shared> shared);
  // Waits on a thread of its own with `waitForEnd`, which returns the status.
  static std::unique_ptr<WatchedProgram> Watch(std::function<int()> waitForEnd,
                                               std::function<void()> onEnd);
  std::shared_ptr<Shared> m_shared;
};

}  // namespace platform

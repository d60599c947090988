// Real processes under the suite's executable names, for the tests of the
// running-program guard.
//
// SpawnedPrograms copies a small program into a throw-away folder under a
// given file name and starts it; every process it started is killed and
// reaped, and the folder removed, when the object goes.
//
// ProgramsAndWindowsLock keeps tests that start or look for suite programs,
// or that put windows on the shared X server or change its root window, from
// running at the same time (in any test binary, in any build on this
// machine): each of them sees every process and every window there is.
//
// Test thread only.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "testkit/child_process.h"
#include "testkit/temp_folder.h"

class ProgramsAndWindowsLock {
 public:
  ProgramsAndWindowsLock();
  ~ProgramsAndWindowsLock();
  ProgramsAndWindowsLock(const ProgramsAndWindowsLock&) = delete;
  ProgramsAndWindowsLock& operator=(const ProgramsAndWindowsLock&) = delete;

 private:
  int m_fd = -1;
#ifdef _WIN32
  void* m_mutex = nullptr;
#endif
};

class SpawnedPrograms {
 public:
  SpawnedPrograms() = default;

  // The Wine prefix the next programs run in (WINEPREFIX in their
  // environment); by default the one the updater uses, as the suite's own
  // programs would.
  void RunInPrefix(const std::filesystem::path& prefix) { m_prefix = prefix; }

  // Starts a copy of `program` named `exeName` with `args`; argv[0] is the
  // copy's path unless given. With `readOutput`, the program's standard
  // output can be read with ReadLine. Returns once the program's command
  // line is in place.
  pid_t Start(const std::filesystem::path& program, const std::string& exeName,
              const std::vector<std::string>& args, const std::string& argv0 = "",
              bool readOutput = false);

  // A copy of /bin/sleep (on Windows, of the testkit's own sleeper) that lives
  // long enough for any test, and ends on its own should a crashed test leave
  // it behind.
  pid_t StartSleeper(const std::string& exeName, const std::string& argv0 = "");

  // True once the process has ended and been reaped, within `bound`.
  bool WaitForExit(pid_t pid, std::chrono::milliseconds bound);

  // Ends the process but leaves it unreaped, and waits until it is a zombie.
  bool MakeZombie(pid_t pid);

  // One line of a program's standard output (started with `readOutput`);
  // nullopt when none came within `bound`.
  std::optional<std::string> ReadLine(pid_t pid, std::chrono::milliseconds bound);

  const std::filesystem::path& Folder() const { return m_folder.Path(); }

 private:
  ChildProcess& Find(pid_t pid);
  // Each system's: what the programs' environment gets, and waiting until a
  // new program's command line is in place.
  ChildProcess::Options HostOptions() const;
  static void AwaitCommandLine(pid_t pid);

  TempFolder m_folder{"ostrel-programs-"};
  std::filesystem::path m_prefix;
  std::vector<ChildProcess> m_children;
};

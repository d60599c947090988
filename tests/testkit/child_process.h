// A process a test or bench starts and owns: a program, or a forked copy of
// the test running a function (to play another process of the same code).
//
// Its standard streams go to the null device unless the options say
// otherwise, so that a process left behind by a crashed test never keeps the
// test runner waiting for its output. Whatever still runs when the object goes
// is killed and reaped. One thread at a time. On Windows (windows/child_process.cpp)
// there is no Fork and no signal: Kill ends the process (and with ownGroup
// everything it started) with the status a SIGKILL gives on Linux.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class ChildProcess {
 public:
#ifdef _WIN32
  static constexpr const char* kNullDevice = "NUL";
#else
  static constexpr const char* kNullDevice = "/dev/null";
#endif

  struct Options {
    // argv[0]; the program as given when empty.
    std::string argv0{};
    // "NAME=value" entries put over the inherited environment.
    std::vector<std::string> environment{};
    // Names taken out of the inherited environment.
    std::vector<std::string> unset{};
    // Where the standard streams go; an empty path keeps the test's own.
    std::filesystem::path input = kNullDevice;
    std::filesystem::path output = kNullDevice;
    std::filesystem::path errors = kNullDevice;
    // Standard output goes into a pipe that ReadLine reads instead.
    bool readOutput = false;
    // The process leads a process group of its own, so that Kill reaches
    // what it starts too.
    bool ownGroup = false;
  };

  // Starts `program` (looked up on PATH when it names no folder) with `args`.
  // Throws when it cannot be started.
  ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
               const Options& options);
  ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args);

#ifndef _WIN32
  // Runs `body` in a forked copy of this process, which ends with the value
  // `body` returns. Only the streams and the environment of `options` count.
  static ChildProcess Fork(const std::function<int()>& body, const Options& options);
  static ChildProcess Fork(const std::function<int()>& body);
#endif

  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const {
    return m_pid;
  }

  // The exit status once the process has ended and been reaped (128 + the
  // signal's number when a signal ended it); nullopt while it still runs
  // after `bound`.
  std::optional<int> Wait(std::chrono::milliseconds bound = std::chrono::minutes(5));

#ifndef _WIN32
  // Sends `signal` (to the whole group with Options::ownGroup) and reaps the
  // process; returns its status as Wait does.
  int Stop(int signal);
#endif
  int Kill();

  // One line of the process's standard output (Options::readOutput), without
  // its line break; nullopt when none came within `bound`.
  std::optional<std::string> ReadLine(std::chrono::milliseconds bound);

 private:
  ChildProcess() = default;
  void Release();
  // Takes over the system's handles of `other`, leaving it none.
  void TakeHandlesOf(ChildProcess& other) noexcept;

  pid_t m_pid = -1;
  bool m_group = false;
#ifdef _WIN32
  void* m_process = nullptr;  // HANDLEs
  void* m_job = nullptr;
  void* m_output = nullptr;
#else
  int m_output = -1;
#endif
  std::optional<int> m_status;
};

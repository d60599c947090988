// Real processes under the suite's executable names, for the guard's tests.
//
// SpawnedPrograms copies a small program into a throw-away folder under a
// given file name and starts it; every process it started is killed and
// reaped, and the folder removed, when the object goes.
//
// ProgramsAndWindowsLock keeps tests that start or look for suite programs,
// or that put windows on the shared X server or change its root window, from
// running at the same time (in any test binary, in any build on this
// machine): each of them sees every process and every window there is.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/host_path.h"

extern char** environ;

namespace guardtest {

namespace fs = std::filesystem;

class ProgramsAndWindowsLock {
 public:
  ProgramsAndWindowsLock() {
    const fs::path path = fs::temp_directory_path() / "ostrel-suite-programs-test.lock";
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd >= 0)
      ::flock(m_fd, LOCK_EX);
  }
  ~ProgramsAndWindowsLock() {
    if (m_fd >= 0)
      ::close(m_fd);
  }
  ProgramsAndWindowsLock(const ProgramsAndWindowsLock&) = delete;
  ProgramsAndWindowsLock& operator=(const ProgramsAndWindowsLock&) = delete;

 private:
  int m_fd = -1;
};

class SpawnedPrograms {
 public:
  SpawnedPrograms() {
    std::string pattern = (fs::temp_directory_path() / "ostrel-programs-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("mkdtemp failed");
    m_folder = pattern;
  }

  ~SpawnedPrograms() {
    for (const pid_t pid : m_pids)
      ::kill(pid, SIGKILL);
    for (const pid_t pid : m_pids)
      ::waitpid(pid, nullptr, 0);
    for (const int fd : m_fds)
      ::close(fd);
    std::error_code ec;
    fs::remove_all(m_folder, ec);
  }
  SpawnedPrograms(const SpawnedPrograms&) = delete;
  SpawnedPrograms& operator=(const SpawnedPrograms&) = delete;

  // The Wine prefix the next programs run in (WINEPREFIX in their
  // environment); by default the one the updater uses, as the suite's own
  // programs would.
  void RunInPrefix(const fs::path& prefix) { m_prefix = prefix; }

  // Starts a copy of `program` named `exeName` with `args`; argv[0] is the
  // copy's path unless given. With `output`, the program's standard output is
  // a pipe whose reading end is put there (closed with this object).
  pid_t Start(const fs::path& program, const std::string& exeName,
              const std::vector<std::string>& args, const std::string& argv0 = "",
              int* output = nullptr) {
    const fs::path copy = m_folder / exeName;
    if (!fs::exists(copy))
      fs::copy_file(program, copy);
    std::vector<std::string> argv{argv0.empty() ? copy.string() : argv0};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
      pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Nothing of the test's own output is held open: a program left behind by
    // a crashed test must not keep the test runner waiting for it.
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    int pipeFds[2] = {-1, -1};
    if (output != nullptr) {
      if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
      posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    }
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      if (std::string(*entry).rfind("WINEPREFIX=", 0) != 0)
        environment.emplace_back(*entry);
    }
    environment.push_back("WINEPREFIX=" +
                          (m_prefix.empty() ? platform::PrefixFolder() : m_prefix).string());
    std::vector<char*> environmentPointers;
    for (std::string& entry : environment)
      environmentPointers.push_back(entry.data());
    environmentPointers.push_back(nullptr);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, copy.c_str(), &actions, nullptr, pointers.data(),
                                   environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (output != nullptr) {
      ::close(pipeFds[1]);
      m_fds.push_back(pipeFds[0]);
      *output = pipeFds[0];
    }
    if (failed != 0)
      throw std::runtime_error("posix_spawn failed for " + exeName);
    m_pids.push_back(pid);
    WaitForCommandLine(pid);
    return pid;
  }

  // A copy of /bin/sleep that lives long enough for any test, and ends on its
  // own should a crashed test leave it behind.
  pid_t StartSleeper(const std::string& exeName, const std::string& argv0 = "") {
    return Start("/bin/sleep", exeName, {"60"}, argv0);
  }

  // True once the process has ended and been reaped, within `bound`.
  bool WaitForExit(pid_t pid, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
      if (::waitpid(pid, nullptr, WNOHANG) == pid) {
        std::erase(m_pids, pid);
        return true;
      }
      if (std::chrono::steady_clock::now() >= deadline)
        return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  // Ends the process but leaves it unreaped, and waits until it is a zombie.
  bool MakeZombie(pid_t pid) {
    ::kill(pid, SIGKILL);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
      std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
      std::string line;
      std::getline(stat, line);
      const std::size_t close = line.rfind(')');
      if (close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z')
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  const fs::path& Folder() const { return m_folder; }

 private:
  // The parent may run on before the new program's command line is in
  // place; until then the process shows no argv[0].
  static void WaitForCommandLine(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
      std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline");
      if (cmdline.get() != std::char_traits<char>::eof())
        return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  fs::path m_folder;
  fs::path m_prefix;
  std::vector<pid_t> m_pids;
  std::vector<int> m_fds;
};

// One line from `fd`, without its line break; nullopt when none came within
// `bound`.
inline std::optional<std::string> ReadLine(int fd, std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  std::string line;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
      return std::nullopt;
    pollfd readable{fd, POLLIN, 0};
    if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0)
      continue;
    char c = 0;
    if (::read(fd, &c, 1) != 1)
      return std::nullopt;
    if (c == '\n')
      return line;
    line += c;
  }
}

}  // namespace guardtest

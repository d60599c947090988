#include "testkit/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <utility>

#include "testkit/wait_until.h"

extern char** environ;

namespace {

constexpr int kWriteFlags = O_WRONLY | O_CREAT | O_TRUNC;

std::vector<std::string> Environment(const ChildProcess::Options& options) {
  const auto replaced = [&](const std::string& entry) {
    const std::string name = entry.substr(0, entry.find('='));
    for (const std::string& gone : options.unset)
      if (name == gone)
        return true;
    for (const std::string& set : options.environment)
      if (set.substr(0, set.find('=')) == name)
        return true;
    return false;
  };
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry)
    if (!replaced(*entry))
      environment.emplace_back(*entry);
  environment.insert(environment.end(), options.environment.begin(), options.environment.end());
  return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts)
    pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

int StatusOf(int waited) {
  if (WIFEXITED(waited))
    return WEXITSTATUS(waited);
  return 128 + WTERMSIG(waited);
}

// The reading end, close-on-exec, in `fds[0]`.
void MakePipe(int fds[2]) {
  if (::pipe2(fds, O_CLOEXEC) != 0)
    throw std::runtime_error("cannot make a pipe");
}

}  // namespace

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::vector<std::string>& args, const Options& options)
    : m_group(options.ownGroup) {
  std::vector<std::string> argv{options.argv0.empty() ? program.string() : options.argv0};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> environment = Environment(options);
  std::vector<char*> argvPointers = Pointers(argv);
  std::vector<char*> environmentPointers = Pointers(environment);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const auto redirect = [&](const std::filesystem::path& path, int flags, int stream) {
    if (!path.empty())
      posix_spawn_file_actions_addopen(&actions, stream, path.c_str(), flags, 0644);
  };
  redirect(options.input, O_RDONLY, STDIN_FILENO);
  redirect(options.output, kWriteFlags, STDOUT_FILENO);
  redirect(options.errors, kWriteFlags, STDERR_FILENO);
  int pipeFds[2] = {-1, -1};
  if (options.readOutput) {
    MakePipe(pipeFds);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (options.ownGroup) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  const auto spawn = program.has_parent_path() ? posix_spawn : posix_spawnp;
  const int failed = spawn(&m_pid, program.c_str(), &actions, &attributes, argvPointers.data(),
                           environmentPointers.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (options.readOutput) {
    ::close(pipeFds[1]);
    m_output = pipeFds[0];
  }
  if (failed != 0) {
    m_pid = -1;
    Release();
    throw std::runtime_error("cannot start " + program.string() + ": " + std::strerror(failed));
  }
}

ChildProcess ChildProcess::Fork(const std::function<int()>& body) {
  return Fork(body, Options{});
}

ChildProcess ChildProcess::Fork(const std::function<int()>& body, const Options& options) {
  std::vector<std::string> environment = Environment(options);
  int pipeFds[2] = {-1, -1};
  if (options.readOutput)
    MakePipe(pipeFds);
  ChildProcess child;
  child.m_pid = ::fork();
  if (child.m_pid < 0)
    throw std::runtime_error("cannot fork");
  if (child.m_pid == 0) {
    const auto redirect = [](const std::filesystem::path& path, int flags, int stream) {
      if (path.empty())
        return;
      const int fd = ::open(path.c_str(), flags, 0644);
      if (fd < 0 || ::dup2(fd, stream) < 0)
        ::_exit(127);
      ::close(fd);
    };
    redirect(options.input, O_RDONLY, STDIN_FILENO);
    redirect(options.output, kWriteFlags, STDOUT_FILENO);
    redirect(options.errors, kWriteFlags, STDERR_FILENO);
    if (options.readOutput && ::dup2(pipeFds[1], STDOUT_FILENO) < 0)
      ::_exit(127);
    if (!options.environment.empty() || !options.unset.empty()) {
      ::clearenv();
      for (std::string& entry : environment)
        ::putenv(entry.data());
    }
    ::_exit(body());
  }
  if (options.readOutput) {
    ::close(pipeFds[1]);
    child.m_output = pipeFds[0];
  }
  return child;
}

void ChildProcess::TakeHandlesOf(ChildProcess& other) noexcept {
  m_output = std::exchange(other.m_output, -1);
}

void ChildProcess::Release() {
  if (m_output >= 0)
    ::close(m_output);
  m_output = -1;
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds bound) {
  if (m_status || m_pid <= 0)
    return m_status;
  WaitUntil(
      [&] {
        int waited = 0;
        if (::waitpid(m_pid, &waited, WNOHANG) != m_pid)
          return false;
        m_status = StatusOf(waited);
        return true;
      },
      bound);
  return m_status;
}

int ChildProcess::Stop(int signal) {
  if (m_status || m_pid <= 0)
    return m_status.value_or(-1);
  ::kill(m_group ? -m_pid : m_pid, signal);
  int waited = 0;
  ::waitpid(m_pid, &waited, 0);
  m_status = StatusOf(waited);
  return *m_status;
}

int ChildProcess::Kill() {
  return Stop(SIGKILL);
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  std::string line;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || m_output < 0)
      return std::nullopt;
    pollfd readable{m_output, POLLIN, 0};
    if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0)
      continue;
    char c = 0;
    if (::read(m_output, &c, 1) != 1)
      return std::nullopt;
    if (c == '\n')
      return line;
    line += c;
  }
}

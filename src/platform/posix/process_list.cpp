#include "platform/process_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <type_traits>

#include "platform/codepage.h"

namespace platform {

// The real user id is what UserId holds.
static_assert(std::is_same_v<uid_t, UserId>);
namespace {

// A path may be as long as PATH_MAX; a longer argv[0] is cut, which only
// affects names that no suite program has.
constexpr std::size_t kLongestArgv0 = 4096;
// "pid (comm) S": comm is at most 16 bytes, so the state is within this.
constexpr std::size_t kStatHead = 128;
// Linux caps the whole argument and environment area at a quarter of the
// stack limit; a prefix named past this is not looked for.
constexpr std::size_t kLongestEnvironment = 1024 * 1024;
// The Uid line is near the top of /proc/PID/status.
constexpr std::size_t kStatusHead = 4096;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0)
      ::close(m_fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return m_fd; }

 private:
  int m_fd;
};

// Reads up to `limit` bytes of a /proc file, stopping early at the first NUL
// when `stopAtNul`. nullopt when the file is gone (the process has ended).
std::optional<std::string> ReadProcFile(int folderFd, const std::string& name, std::size_t limit,
                                        bool stopAtNul) {
  const FileDescriptor fd(::openat(folderFd, name.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0)
    return std::nullopt;
  std::string contents;
  char buffer[512];
  while (contents.size() < limit) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR)
        continue;
      return std::nullopt;
    }
    if (got == 0)
      break;
    contents.append(buffer, static_cast<std::size_t>(got));
    if (stopAtNul && contents.find('\0') != std::string::npos)
      break;
  }
  const std::size_t end = std::min(contents.find('\0'), limit);
  if (end < contents.size())
    contents.resize(end);
  return contents;
}

// The comm of a process from its stat line, or nullopt when the process has
// ended (its state is zombie or dead) or the line can't be read.
std::optional<std::string> CommOfLivingProcess(int folderFd, const std::string& pidText) {
  const auto stat = ReadProcFile(folderFd, pidText + "/stat", kStatHead, false);
  if (!stat)
    return std::nullopt;
  // The comm may itself hold blanks and parentheses: it runs from the first
  // "(" to the last ")".
  const std::size_t open = stat->find('(');
  const std::size_t close = stat->rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open ||
      close + 2 >= stat->size())
    return std::nullopt;
  const char state = (*stat)[close + 2];
  if (state == 'Z' || state == 'X' || state == 'x')
    return std::nullopt;
  return stat->substr(open + 1, close - open - 1);
}

std::optional<std::string> ExecutableNameOf(int folderFd, const std::string& pidText) {
  const auto argv0 = ReadProcFile(folderFd, pidText + "/cmdline", kLongestArgv0, true);
  if (!argv0)
    return std::nullopt;
  const std::string_view segment = LastPathSegment(*argv0);
  if (!segment.empty())
    return Utf8ToCp1252(segment);
  // Kernel threads and zombies have no command line.
  const auto comm = CommOfLivingProcess(folderFd, pidText);
  if (!comm)
    return std::nullopt;
  return Utf8ToCp1252(*comm);
}

uid_t RealUidOf(int folderFd, const std::string& pidText) {
  const auto status = ReadProcFile(folderFd, pidText + "/status", kStatusHead, false);
  if (!status)
    return static_cast<uid_t>(-1);
  const std::size_t line = status->find("\nUid:");
  if (line == std::string::npos)
    return static_cast<uid_t>(-1);
  return static_cast<uid_t>(std::strtoul(status->c_str() + line + 5, nullptr, 10));
}

std::string PrefixOf(int folderFd, const std::string& pidText) {
  const auto fd =
      FileDescriptor(::openat(folderFd, (pidText + "/environ").c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0)
    return "";
  std::string environment;
  char buffer[4096];
  while (environment.size() < kLongestEnvironment) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      break;
    environment.append(buffer, static_cast<std::size_t>(got));
  }
  return PrefixOfEnvironment(environment);
}

std::optional<pid_t> PidOf(const char* name) {
  pid_t pid = 0;
  if (*name == '\0')
    return std::nullopt;
  for (const char* c = name; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9' || pid > 100'000'000)
      return std::nullopt;
    pid = pid * 10 + (*c - '0');
  }
  return pid;
}

}  // namespace

ProcessList ProcessList::InPrefix(UserId uid, const std::filesystem::path& prefix) const {
  ProcessList chosen;
  for (const RunningProcess& process : m_processes) {
    if (process.uid == uid && SamePrefix(process.prefix, prefix))
      chosen.m_processes.push_back(process);
  }
  return chosen;
}

ProcessList ProcessList::OursInPrefix(const std::filesystem::path& prefix) const {
  return InPrefix(::getuid(), prefix);
}

std::optional<ProcessList> ProcessList::Take(const std::filesystem::path& procRoot) {
  return TakeNamed(nullptr, procRoot);
}

std::optional<ProcessList> ProcessList::TakeNamed(const NameFilter& wanted,
                                                  const std::filesystem::path& procRoot) {
  DIR* folder = ::opendir(procRoot.c_str());
  if (folder == nullptr)
    return std::nullopt;
  const int folderFd = ::dirfd(folder);
  ProcessList list;
  while (const dirent* entry = ::readdir(folder)) {
    const auto pid = PidOf(entry->d_name);
    if (!pid)
      continue;
    auto name = ExecutableNameOf(folderFd, entry->d_name);
    if (!name || (wanted && !wanted(*name)))
      continue;
    list.m_processes.push_back({*pid, std::move(*name), RealUidOf(folderFd, entry->d_name),
                                PrefixOf(folderFd, entry->d_name)});
  }
  ::closedir(folder);
  std::sort(list.m_processes.begin(), list.m_processes.end(),
            [](const RunningProcess& a, const RunningProcess& b) { return a.pid < b.pid; });
  return list;
}

}  // namespace platform

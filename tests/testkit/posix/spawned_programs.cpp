#include "testkit/spawned_programs.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

#include "platform/host_path.h"
#include "testkit/wait_until.h"

namespace fs = std::filesystem;

namespace {

// The state letter /proc shows for the process; 0 when it cannot be read.
char ProcessState(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const std::size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() ? line[close + 2] : '\0';
}

bool HasCommandLine(pid_t pid) {
  std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline");
  return cmdline.get() != std::char_traits<char>::eof();
}

}  // namespace

ProgramsAndWindowsLock::ProgramsAndWindowsLock() {
  const fs::path path = fs::temp_directory_path() / "ostrel-suite-programs-test.lock";
  m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (m_fd >= 0)
    ::flock(m_fd, LOCK_EX);
}

ProgramsAndWindowsLock::~ProgramsAndWindowsLock() {
  if (m_fd >= 0)
    ::close(m_fd);
}

ChildProcess::Options SpawnedPrograms::HostOptions() const {
  ChildProcess::Options options;
  options.environment = {"WINEPREFIX=" +
                         (m_prefix.empty() ? platform::PrefixFolder() : m_prefix).string()};
  return options;
}

void SpawnedPrograms::AwaitCommandLine(pid_t pid) {
  // The parent may run on before the new program's command line is in
  // place; until then the process shows no argv[0].
  WaitUntil([&] { return HasCommandLine(pid); }, std::chrono::seconds(5));
}

pid_t SpawnedPrograms::StartSleeper(const std::string& exeName, const std::string& argv0) {
  return Start("/bin/sleep", exeName, {"60"}, argv0);
}

bool SpawnedPrograms::MakeZombie(pid_t pid) {
  ::kill(pid, SIGKILL);
  return WaitUntil([&] { return ProcessState(pid) == 'Z'; }, std::chrono::seconds(5));
}

#include "testkit/spawned_programs.h"

#include <stdexcept>
#include <string>

// What both systems' spawned programs share; the sleeper, ending programs and
// the programs' environment are each system's (posix/, windows/).

namespace fs = std::filesystem;

pid_t SpawnedPrograms::Start(const fs::path& program, const std::string& exeName,
                             const std::vector<std::string>& args, const std::string& argv0,
                             bool readOutput) {
  const fs::path copy = Folder() / exeName;
  if (!fs::exists(copy))
    fs::copy_file(program, copy);
  ChildProcess::Options options = HostOptions();
  options.argv0 = argv0;
  options.readOutput = readOutput;
  m_children.emplace_back(copy, args, options);
  const pid_t pid = m_children.back().Pid();
  AwaitCommandLine(pid);
  return pid;
}

std::optional<std::string> SpawnedPrograms::ReadLine(pid_t pid, std::chrono::milliseconds bound) {
  return Find(pid).ReadLine(bound);
}

ChildProcess& SpawnedPrograms::Find(pid_t pid) {
  for (ChildProcess& child : m_children)
    if (child.Pid() == pid)
      return child;
  throw std::logic_error("not a spawned program: " + std::to_string(pid));
}

bool SpawnedPrograms::WaitForExit(pid_t pid, std::chrono::milliseconds bound) {
  return Find(pid).Wait(bound).has_value();
}

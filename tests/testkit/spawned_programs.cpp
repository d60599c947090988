#include "testkit/spawned_programs.h"

#include <stdexcept>
#include <string>

// What both systems' spawned programs share; starting, ending and reading
// them are each system's (posix/, windows/).

ChildProcess& SpawnedPrograms::Find(pid_t pid) {
  for (ChildProcess& child : m_children)
    if (child.Pid() == pid)
      return child;
  throw std::logic_error("not a spawned program: " + std::to_string(pid));
}

bool SpawnedPrograms::WaitForExit(pid_t pid, std::chrono::milliseconds bound) {
  return Find(pid).Wait(bound).has_value();
}

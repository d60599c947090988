#include "testkit/child_process.h"

#include <utility>

// What both systems' child processes share; starting and waiting are each
// system's (posix/, windows/).

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::vector<std::string>& args)
    : ChildProcess(program, args, Options{}) {}

ChildProcess::~ChildProcess() {
  if (m_pid > 0 && !m_status)
    Kill();
  Release();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept {
  *this = std::move(other);
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    if (m_pid > 0 && !m_status)
      Kill();
    Release();
    TakeHandlesOf(other);
    m_pid = std::exchange(other.m_pid, -1);
    m_group = other.m_group;
    m_status = other.m_status;
  }
  return *this;
}

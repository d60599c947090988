// SpawnedPrograms on Windows: copies of a small Windows program built with the
// testkit (OSTREL_TEST_SLEEPER), and a named mutex for the lock. Windows keeps
// no zombies: a process that has ended but whose handle is still open is what
// comes closest, and what the process list no longer shows.
#include "testkit/spawned_programs.h"

#include <windows.h>

#include <stdexcept>

#include "testkit/wait_until.h"

namespace fs = std::filesystem;

ProgramsAndWindowsLock::ProgramsAndWindowsLock() {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\ostrel-suite-programs-test");
  if (mutex != nullptr)
    WaitForSingleObject(mutex, INFINITE);
  m_mutex = mutex;
}

ProgramsAndWindowsLock::~ProgramsAndWindowsLock() {
  if (m_mutex != nullptr) {
    ReleaseMutex(m_mutex);
    CloseHandle(m_mutex);
  }
}

// Under Wine the programs run in the test's own prefix.
ChildProcess::Options SpawnedPrograms::HostOptions() const {
  return {};
}

// CreateProcess returns with the command line in place.
void SpawnedPrograms::AwaitCommandLine(pid_t) {}

pid_t SpawnedPrograms::StartSleeper(const std::string& exeName, const std::string& argv0) {
  return Start(OSTREL_TEST_SLEEPER, exeName, {"60"}, argv0);
}

bool SpawnedPrograms::MakeZombie(pid_t pid) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr)
    return false;
  const bool ended =
      TerminateProcess(process, 128 + 9) && WaitForSingleObject(process, 5000) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

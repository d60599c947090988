// ChildProcess on Windows: CreateProcessW, a job object for ownGroup, a pipe
// read without blocking for readOutput.
#include "testkit/child_process.h"

#include <windows.h>

#include <stdexcept>
#include <utility>

#include "testkit/wait_until.h"
#include "testkit/windows/windows_text.h"

namespace {

// What Linux reports for a process ended by SIGKILL, so that tests read the
// same status on both.
constexpr UINT kKilledStatus = 128 + 9;

std::wstring NameOf(std::wstring_view entry) {
  // "=C:=C:\..." entries keep their leading '='.
  return std::wstring(entry.substr(0, entry.find(L'=', 1)));
}

// The inherited environment with `options` applied, as CreateProcessW wants
// it: sorted is not required, each entry ends with a NUL and the block with
// another.
std::wstring Environment(const ChildProcess::Options& options) {
  std::vector<std::wstring> names;
  for (const std::string& name : options.unset)
    names.push_back(Wide(name));
  for (const std::string& set : options.environment)
    names.push_back(Wide(set.substr(0, set.find('='))));
  std::wstring block;
  wchar_t* inherited = GetEnvironmentStringsW();
  for (const wchar_t* entry = inherited; *entry != L'\0'; entry += wcslen(entry) + 1) {
    bool replaced = false;
    for (const std::wstring& name : names)
      replaced = replaced || _wcsicmp(NameOf(entry).c_str(), name.c_str()) == 0;
    if (!replaced)
      block.append(entry).push_back(L'\0');
  }
  FreeEnvironmentStringsW(inherited);
  for (const std::string& set : options.environment)
    block.append(Wide(set)).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

HANDLE OpenStream(const std::filesystem::path& path, bool write) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  const HANDLE handle =
      CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                  write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    throw std::runtime_error("cannot open " + path.string());
  return handle;
}

}  // namespace

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::vector<std::string>& args, const Options& options)
    : m_group(options.ownGroup) {
  std::vector<std::wstring> arguments{options.argv0.empty() ? program.wstring()
                                                            : Wide(options.argv0)};
  for (const std::string& arg : args)
    arguments.push_back(Wide(arg));
  std::wstring commandLine = CommandLine(arguments);
  std::wstring environment = Environment(options);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  std::vector<HANDLE> opened;
  const auto stream = [&](const std::filesystem::path& path, bool write, DWORD own) {
    if (path.empty())
      return GetStdHandle(own);
    opened.push_back(OpenStream(path, write));
    return opened.back();
  };
  startup.hStdInput = stream(options.input, false, STD_INPUT_HANDLE);
  startup.hStdError = stream(options.errors, true, STD_ERROR_HANDLE);
  if (options.readOutput) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&m_output, &writeEnd, &inheritable, 0))
      throw std::runtime_error("cannot make a pipe");
    SetHandleInformation(m_output, HANDLE_FLAG_INHERIT, 0);
    opened.push_back(writeEnd);
    startup.hStdOutput = writeEnd;
  } else {
    startup.hStdOutput = stream(options.output, true, STD_OUTPUT_HANDLE);
  }

  const std::wstring application = program.wstring();
  PROCESS_INFORMATION started{};
  const DWORD flags = CREATE_UNICODE_ENVIRONMENT | (m_group ? CREATE_SUSPENDED : 0);
  const BOOL ok = CreateProcessW(program.has_parent_path() ? application.c_str() : nullptr,
                                 commandLine.data(), nullptr, nullptr, TRUE, flags,
                                 environment.data(), nullptr, &startup, &started);
  const DWORD error = GetLastError();
  for (HANDLE handle : opened)
    CloseHandle(handle);
  if (!ok) {
    Release();
    throw std::runtime_error("cannot start " + program.string() + ": error " +
                             std::to_string(error));
  }
  m_process = started.hProcess;
  m_pid = static_cast<pid_t>(started.dwProcessId);
  if (m_group) {
    // In the job before it runs, so that whatever it starts is in it too.
    m_job = CreateJobObjectW(nullptr, nullptr);
    AssignProcessToJobObject(m_job, m_process);
    ResumeThread(started.hThread);
  }
  CloseHandle(started.hThread);
}

void ChildProcess::TakeHandlesOf(ChildProcess& other) noexcept {
  m_process = std::exchange(other.m_process, nullptr);
  m_job = std::exchange(other.m_job, nullptr);
  m_output = std::exchange(other.m_output, nullptr);
}

void ChildProcess::Release() {
  for (void** handle : {&m_output, &m_job, &m_process}) {
    if (*handle != nullptr)
      CloseHandle(*handle);
    *handle = nullptr;
  }
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds bound) {
  if (m_status || m_process == nullptr)
    return m_status;
  if (WaitForSingleObject(m_process, static_cast<DWORD>(bound.count())) == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    m_status = static_cast<int>(code);
  }
  return m_status;
}

int ChildProcess::Kill() {
  if (m_status || m_process == nullptr)
    return m_status.value_or(-1);
  if (m_job != nullptr)
    TerminateJobObject(m_job, kKilledStatus);
  TerminateProcess(m_process, kKilledStatus);
  return Wait(std::chrono::minutes(1)).value_or(-1);
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  std::string line;
  char c = 0;
  DWORD got = 0;
  const auto readOne = [&] {
    DWORD available = 0;
    if (!PeekNamedPipe(m_output, nullptr, 0, nullptr, &available, nullptr))
      return true;  // closed: ReadFile below says so
    return available > 0;
  };
  while (m_output != nullptr) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !WaitUntil(readOne, left) ||
        !ReadFile(m_output, &c, 1, &got, nullptr) || got != 1)
      return std::nullopt;
    if (c == '\n')
      return line;
    if (c != '\r')
      line += c;
  }
  return std::nullopt;
}

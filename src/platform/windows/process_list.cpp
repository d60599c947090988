#include "platform/process_list.h"

// windows.h first: tlhelp32.h stands on it.
#include <windows.h>
//
#include <tlhelp32.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "wide_text.h"

// The system's process snapshot (Toolhelp32). A process is this user's when
// its token names the same user as ours; one that cannot be opened, or whose
// token cannot be read, is someone else's (a service, another user).

namespace platform {
namespace {

constexpr UserId kUnknownUser = static_cast<UserId>(-1);

class Handle {
 public:
  explicit Handle(HANDLE handle) : m_handle(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE)
      ::CloseHandle(m_handle);
  }
  HANDLE get() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }

 private:
  HANDLE m_handle;
};

// The user SID in a process's token; empty when it cannot be read.
std::vector<unsigned char> UserOf(HANDLE process) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(process, TOKEN_QUERY, &token))
    return {};
  const Handle tokenHandle(token);
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  if (size == 0 || !::GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
    return {};
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  if (!::IsValidSid(sid))
    return {};
  const auto* bytes = static_cast<const unsigned char*>(sid);
  return std::vector<unsigned char>(bytes, bytes + ::GetLengthSid(sid));
}

const std::vector<unsigned char>& OurUser() {
  static const std::vector<unsigned char> user = UserOf(::GetCurrentProcess());
  return user;
}

UserId OurSession() {
  DWORD session = 0;
  if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session))
    return kUnknownUser;
  return static_cast<UserId>(session);
}

// The session of a process that runs as this user; unknown otherwise.
UserId SessionIfOurs(DWORD pid) {
  if (pid == ::GetCurrentProcessId())
    return OurSession();
  const Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  DWORD session = 0;
  if (!process || OurUser().empty() || UserOf(process.get()) != OurUser() ||
      !::ProcessIdToSessionId(pid, &session))
    return kUnknownUser;
  return static_cast<UserId>(session);
}

}  // namespace

ProcessList ProcessList::InPrefix(UserId uid, const std::filesystem::path&) const {
  ProcessList chosen;
  if (uid == kUnknownUser)
    return chosen;
  for (const RunningProcess& process : m_processes) {
    if (process.uid == uid)
      chosen.m_processes.push_back(process);
  }
  return chosen;
}

ProcessList ProcessList::OursInPrefix(const std::filesystem::path& prefix) const {
  return InPrefix(OurSession(), prefix);
}

std::optional<ProcessList> ProcessList::Take(const std::filesystem::path&) {
  const Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot)
    return std::nullopt;
  ProcessList list;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    // The idle process is no program.
    if (entry.th32ProcessID == 0)
      continue;
    RunningProcess process;
    process.pid = static_cast<pid_t>(entry.th32ProcessID);
    // The system gives the file name alone; a path is cut to it all the same.
    process.exeName = std::string(LastPathSegment(Cp1252FromWide(entry.szExeFile)));
    process.uid = SessionIfOurs(entry.th32ProcessID);
    list.m_processes.push_back(std::move(process));
  }
  std::sort(list.m_processes.begin(), list.m_processes.end(),
            [](const RunningProcess& a, const RunningProcess& b) { return a.pid < b.pid; });
  return list;
}

}  // namespace platform

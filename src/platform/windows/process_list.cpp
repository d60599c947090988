#include "platform/process_list.h"

// windows.h first: tlhelp32.h stands on it.
#include <windows.h>
//
#include <tlhelp32.h>

#include <vector>

#include "wide_text.h"

// The list is the system's process snapshot, in the order the
// system lists it, names are the executable file names it gives, and a
// process's `uid` is the session it runs in, when the system tells. There
// the machine is the unit: every user and every session shares c:\ostrel
// (a terminal server is the common case), so InPrefix and OursInPrefix keep
// every process, and `prefix` stays empty.

// The system's process snapshot (Toolhelp32), which lists the processes of
// every user in every session, in the system's own order. All of them count:
// every user and every session of the machine shares the suite's folders, so
// a program of the suite running in another session (another user's on a
// terminal server, or a service's) holds up an update as much as one of ours.
// The snapshot needs no right over another user's process: the names come
// with it.

namespace platform {
namespace {

constexpr UserId kUnknownSession = static_cast<UserId>(-1);

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

UserId SessionOf(DWORD pid) {
  DWORD session = 0;
  return ::ProcessIdToSessionId(pid, &session) ? static_cast<UserId>(session) : kUnknownSession;
}

}  // namespace

ProcessList ProcessList::InPrefix(UserId, const std::filesystem::path&) const {
  return *this;
}

ProcessList ProcessList::OursInPrefix(const std::filesystem::path&) const {
  return *this;
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
    process.pid = static_cast<ProcessId>(entry.th32ProcessID);
    // The system gives the file name alone; a path is cut to it all the same.
    process.exeName = std::string(LastPathSegment(Cp1252FromWide(entry.szExeFile)));
    process.uid = SessionOf(entry.th32ProcessID);
    list.m_processes.push_back(std::move(process));
  }
  return list;
}

}  // namespace platform

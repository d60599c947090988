// The processes running on this machine, with the executable file names that
// the suite's programs would show for them under Wine.
//
// A process's name is the last segment (after the last "/" or "\") of its
// argv[0], which Wine sets to the Windows path of the program it runs; a
// process without a command line (a kernel thread) is named by its comm.
// Names keep their case and are converted from UTF-8 to Windows-1252.
// Processes that end while the list is taken are left out, and so are those
// that have ended but not yet been reaped by their parent (zombies).
//
// Which prefix a process runs in: its WINEPREFIX, else its HOME followed by
// "/.wine", as Wine itself decides, both read from /proc/PID/environ (the
// environment it was started with). A process whose environment can't be
// read (another user's) has no known prefix.
//
// Reads /proc only; safe on any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/process_id.h"

namespace platform {

// Whose a process is: the real user id on Linux (uid_t is 32 bits there), the
// session number on Windows.
using UserId = std::uint32_t;

struct RunningProcess {
  ProcessId pid = 0;
  std::string exeName;  // Windows-1252
  // The real user id; -1 when unknown.
  UserId uid = static_cast<UserId>(-1);
  // Host path of the Wine prefix it runs in; empty when unknown.
  std::string prefix;

  bool operator==(const RunningProcess&) const = default;
};

class ProcessList {
 public:
  ProcessList() = default;
  // A list of given processes, as a snapshot would hold them.
  explicit ProcessList(std::vector<RunningProcess> processes) : m_processes(std::move(processes)) {}

  // Whether a caller wants a process, judged by its executable name (as
  // RunningProcess::exeName gives it).
  using NameFilter = std::function<bool(std::string_view exeName)>;

  // A snapshot of the processes running now, in ascending process id order.
  // nullopt when the process folder can't be read.
  static std::optional<ProcessList> Take(const std::filesystem::path& procRoot = "/proc");
  // The same, but only the processes whose name `wanted` accepts. Of the
  // others nothing but the name is read: a process's environment and status
  // cost the most, and a check for a few programs needs them of those alone.
  static std::optional<ProcessList> TakeNamed(const NameFilter& wanted,
                                              const std::filesystem::path& procRoot = "/proc");

  const std::vector<RunningProcess>& Processes() const { return m_processes; }

  // Only the processes of user `uid` whose prefix is `prefix` (compared as
  // canonical absolute paths): the programs that share this prefix's files.
  ProcessList InPrefix(UserId uid, const std::filesystem::path& prefix) const;
  // The same for the user running this program.
  ProcessList OursInPrefix(const std::filesystem::path& prefix) const;

 private:
  std::vector<RunningProcess> m_processes;
};

// The executable's file name in a host or Windows path: what follows the last
// "/" or "\".
std::string_view LastPathSegment(std::string_view path);

// The prefix that an environment block ("NAME=value" texts separated by NULs)
// gives Wine; empty when it names none.
std::string PrefixOfEnvironment(std::string_view environment);

// Two prefix paths name the same folder: compared canonical where they exist,
// lexically otherwise, trailing slashes ignored.
bool SamePrefix(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace platform

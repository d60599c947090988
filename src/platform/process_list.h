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
// Reads /proc only; safe on any thread.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct RunningProcess {
  pid_t pid = 0;
  std::string exeName;  // Windows-1252

  bool operator==(const RunningProcess&) const = default;
};

class ProcessList {
 public:
  // A snapshot of the processes running now, in ascending process id order.
  // nullopt when the process folder can't be read.
  static std::optional<ProcessList> Take(const std::filesystem::path& procRoot = "/proc");

  const std::vector<RunningProcess>& Processes() const { return m_processes; }

 private:
  std::vector<RunningProcess> m_processes;
};

// The executable's file name in a host or Windows path: what follows the last
// "/" or "\".
std::string_view LastPathSegment(std::string_view path);

}  // namespace platform

#include "platform/windows_program.h"

#include <unistd.h>

namespace fs = std::filesystem;

namespace platform {

bool WineRuns32BitPrograms(const std::vector<fs::path>& probes) {
  for (const fs::path& probe : probes) {
    std::error_code ec;
    if (fs::is_directory(probe, ec) ||
        (fs::is_regular_file(probe, ec) && ::access(probe.c_str(), X_OK) == 0))
      return true;
  }
  return false;
}

bool WineRuns32BitPrograms() {
  std::vector<fs::path> probes{"/usr/lib/wine/wine", "/usr/lib/i386-linux-gnu/wine/i386-unix",
                               "/usr/lib/wine/i386-unix", "/usr/lib32/wine/i386-unix",
                               "/usr/local/lib/wine/i386-unix"};
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/opt", ec)) {
    if (entry.path().filename().string().rfind("wine", 0) == 0)
      probes.push_back(entry.path() / "lib" / "wine" / "i386-unix");
  }
  return WineRuns32BitPrograms(probes);
}

std::string WhyWindowsProgramCannotRun(const std::string& program, WindowsMachine machine,
                                       bool wineFound, bool wine32) {
  switch (machine) {
    case WindowsMachine::NotWindows:
      return "";
    case WindowsMachine::Other:
      return program + " is not a Windows program that Wine can run: ask for the installer again.";
    case WindowsMachine::Amd64:
    case WindowsMachine::I386:
      break;
  }
  if (!wineFound)
    return program + " is a Windows program, and Wine is not installed: install the wine package.";
  if (machine == WindowsMachine::I386 && !wine32) {
    return program +
           " is a 32-bit Windows program, and this Wine runs only 64-bit ones: install wine32 "
           "from the i386 architecture.";
  }
  return "";
}

}  // namespace platform

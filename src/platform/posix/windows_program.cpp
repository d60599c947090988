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

bool WineInstallationRuns32BitPrograms(const fs::path& wine) {
  std::vector<fs::path> probes;
  std::error_code ec;
  for (const fs::path& found : {wine, fs::canonical(wine, ec)}) {
    if (found.empty())
      continue;
    const fs::path lib = found.parent_path().parent_path() / "lib";
    for (const fs::path& part :
         {lib / "wine" / "wine", lib / "i386-linux-gnu" / "wine" / "i386-unix",
          lib / "wine" / "i386-unix", lib.parent_path() / "lib32" / "wine" / "i386-unix"})
      probes.push_back(part);
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

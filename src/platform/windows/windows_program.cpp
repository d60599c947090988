#include "platform/windows_program.h"

// On Windows x64 both 64-bit and 32-bit programs run natively, so only a
// file that is no program for this machine (ARM, DOS, a damaged header) is
// refused, and that in Windows' terms rather than Wine's.

namespace fs = std::filesystem;

namespace platform {

bool WineRuns32BitPrograms(const std::vector<fs::path>& probes) {
  for (const fs::path& probe : probes) {
    std::error_code ec;
    if (fs::is_directory(probe, ec) || fs::is_regular_file(probe, ec))
      return true;
  }
  return false;
}

bool WineInstallationRuns32BitPrograms(const fs::path&) {
  return true;
}

std::string WhyWindowsProgramCannotRun(const std::string& program, WindowsMachine machine,
                                       bool wineFound, bool wine32) {
  switch (machine) {
    case WindowsMachine::NotWindows:
      return "";
    case WindowsMachine::Other:
      return program + " is not a program that Windows can run: ask for the installer again.";
    case WindowsMachine::Amd64:
    case WindowsMachine::I386:
      break;
  }
  // Callers on Windows pass true for both; the answers stay those of Linux
  // for a caller that asks about a Wine machine.
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

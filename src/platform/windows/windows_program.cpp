#include "platform/windows_program.h"
#include "platform/windows_program_host.h"

// On Windows x64 both 64-bit and 32-bit programs run natively, so only a
// file that is no program for this machine (ARM, DOS, a damaged header) is
// refused, and that in Windows' terms rather than Wine's.

namespace fs = std::filesystem;

namespace platform {

bool WineInstallationRuns32BitPrograms(const fs::path&) {
  return true;
}

namespace host {

bool IsProgram(const fs::path&) {
  return true;
}

const char* const kNotARunnableProgram =
    " is not a program that Windows can run: ask for the installer again.";

}  // namespace host
}  // namespace platform

#include "platform/windows_program.h"

#include <unistd.h>

#include <vector>

#include "platform/windows_program_host.h"

namespace fs = std::filesystem;

namespace platform {

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
  return HasPartFor32BitPrograms(probes);
}

namespace host {

bool IsProgram(const fs::path& file) {
  return ::access(file.c_str(), X_OK) == 0;
}

const char* const kNotARunnableProgram =
    " is not a Windows program that Wine can run: ask for the installer again.";

}  // namespace host
}  // namespace platform

#include "platform/folders.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool MakeFolder(const std::filesystem::path& hostPath) {
  return ::mkdir(hostPath.c_str(), 0777) == 0;
}

bool EnterFolder(const std::filesystem::path& hostPath) {
  return ::chdir(hostPath.c_str()) == 0;
}

}  // namespace platform

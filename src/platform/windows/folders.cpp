#include "platform/folders.h"

#include <windows.h>

namespace platform {

bool MakeFolder(const std::filesystem::path& hostPath) {
  // The folder takes its parent's inherited permissions, as the umask's
  // default does on Linux.
  return ::CreateDirectoryW(hostPath.c_str(), nullptr) != 0;
}

bool EnterFolder(const std::filesystem::path& hostPath) {
  return ::SetCurrentDirectoryW(hostPath.c_str()) != 0;
}

}  // namespace platform

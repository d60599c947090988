#include "platform/stdio_file.h"

namespace platform {

std::FILE* OpenStdioFile(const std::filesystem::path& hostPath, const char* mode) {
  return std::fopen(hostPath.c_str(), mode);
}

// Linux has no end-of-text mark.
bool TextEndsAtCtrlZ() {
  return false;
}

}  // namespace platform

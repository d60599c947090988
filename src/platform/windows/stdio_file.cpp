#include "platform/stdio_file.h"

#include <string>

namespace platform {

std::FILE* OpenStdioFile(const std::filesystem::path& hostPath, const char* mode) {
  // The modes are ASCII; "N" keeps the stream from programs started later.
  std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
  wideMode += L'N';
  return ::_wfopen(hostPath.c_str(), wideMode.c_str());
}

// The C library's text mode ends a file at its first Ctrl+Z, a mark that
// files from DOS days carry.
bool TextEndsAtCtrlZ() {
  return true;
}

}  // namespace platform

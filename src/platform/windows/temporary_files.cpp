#include <windows.h>

#include "platform/temporary_files.h"
#include "platform/temporary_files_host.h"
#include "wide_text.h"

// Windows has no termination signals. A console's Ctrl+C, Ctrl+Break, close,
// log-off and shut-down reach the handler below instead, on a thread of its
// own; it removes the live temporaries and lets the default handling end the
// process. A file still open in this process loses its name when the process
// ends, a moment later.

namespace platform {

namespace {

BOOL WINAPI OnConsoleEnd(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      RemoveLiveTemporaries();
      break;
    default:
      break;
  }
  // Not handled: the next handler (the system's) ends the process.
  return FALSE;
}

bool DeleteEvenReadOnly(const wchar_t* path) {
  ::SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
  return ::DeleteFileW(path) != 0;
}

}  // namespace

void RemoveTemporariesOnTerminationSignals() {
  ::SetConsoleCtrlHandler(OnConsoleEnd, TRUE);
}

namespace host {

void RemoveTemporaryNow(const std::filesystem::path::value_type* path) noexcept {
  DeleteEvenReadOnly(path);
}

bool RemoveStaleTemporary(const std::filesystem::path& path) {
  return DeleteEvenReadOnly(path.c_str());
}

std::string FileNameText(const std::filesystem::path& name) {
  // Converted by the system, which never throws on a name it cannot map.
  return Utf8FromWide(name.native());
}

}  // namespace host

}  // namespace platform

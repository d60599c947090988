#include "platform/file_reader.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "wide_text.h"

// A C runtime descriptor over the file, so that FileStatus reads it as on
// Linux. Others may read, write, rename or delete the file meanwhile, as they
// may on Linux; a program started later does not inherit it.

namespace platform {

FileReader::FileReader(const std::filesystem::path& hostPath) {
  const HANDLE file =
      ::CreateFileW(hostPath.c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    // A folder opens too, as on Linux, and says so when read.
                    FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    m_error = FileErrorText(::GetLastError());
    return;
  }
  m_fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
  if (m_fd < 0) {
    m_error = std::strerror(errno);
    ::CloseHandle(file);
  }
}

std::optional<std::size_t> FileReader::ReadOpen(char* buffer, std::size_t size) {
  const unsigned chunk = size > INT_MAX ? INT_MAX : static_cast<unsigned>(size);
  const int got = ::_read(m_fd, buffer, chunk);
  if (got < 0) {
    const auto status = Status();
    m_error = std::strerror(status && status->folder ? EISDIR : errno);
    return std::nullopt;
  }
  return static_cast<std::size_t>(got);
}

}  // namespace platform

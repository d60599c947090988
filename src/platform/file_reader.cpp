#include "platform/file_reader.h"

#include <cerrno>
#include <cstring>

#include "platform/file_status_host.h"

// What both systems' readers share: closing, a read of a file that is not
// open, and the status of one that is (the file status layer's,
// file_status.h).

namespace platform {

FileReader::~FileReader() {
  if (m_fd >= 0)
    host::CloseFile(m_fd);
}

std::optional<std::size_t> FileReader::Read(char* buffer, std::size_t size) {
  if (m_fd < 0) {
    m_error = std::strerror(EBADF);
    return std::nullopt;
  }
  return ReadOpen(buffer, size);
}

std::optional<FileStatus> FileReader::Status() const {
  if (m_fd < 0)
    return std::nullopt;
  return StatusOfOpenFile(m_fd);
}

}  // namespace platform

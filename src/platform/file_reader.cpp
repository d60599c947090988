#include "platform/file_reader.h"

// What both systems' readers share: an open file's status is the file
// status layer's (file_status.h).

namespace platform {

std::optional<FileStatus> FileReader::Status() const {
  if (m_fd < 0)
    return std::nullopt;
  return StatusOfOpenFile(m_fd);
}

}  // namespace platform

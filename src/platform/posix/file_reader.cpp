#include "platform/file_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

FileReader::FileReader(const std::filesystem::path& hostPath) {
  m_fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (m_fd < 0)
    m_error = std::strerror(errno);
}

std::optional<std::size_t> FileReader::ReadOpen(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(m_fd, buffer, size);
    if (got >= 0)
      return static_cast<std::size_t>(got);
    if (errno != EINTR) {
      m_error = std::strerror(errno);
      return std::nullopt;
    }
  }
}

}  // namespace platform

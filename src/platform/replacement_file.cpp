#include "platform/replacement_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <utility>

namespace platform {

namespace {

// Hidden and unmistakable, so that no folder listing of installers or
// catalogues takes it for a finished file.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target, unsigned salt) {
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%08x.part", salt);
  // Built piece by piece: GCC 12 mistakes "." + name for an overlapping copy.
  std::string hidden(".");
  hidden += target.filename().string();
  hidden += suffix;
  std::filesystem::path name = target;
  name.replace_filename(hidden);
  return name;
}

}  // namespace

ReplacementFile::ReplacementFile(std::filesystem::path target) : m_target(std::move(target)) {}

ReplacementFile::~ReplacementFile() {
  Discard();
}

bool ReplacementFile::Fail(const char* step) {
  m_error = std::string(step) + ": " + std::strerror(errno);
  return false;
}

bool ReplacementFile::Open() {
  Discard();
  if (m_target.filename().empty()) {
    errno = EISDIR;
    return Fail("create");
  }
  std::random_device entropy;
  // O_EXCL makes a clash with another process's temporary file a retry, never
  // a shared file; 0666 lets the umask decide, as for any new file.
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::filesystem::path candidate = TemporaryNameFor(m_target, entropy());
    m_fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd >= 0) {
      m_temporary = std::move(candidate);
      return true;
    }
    if (errno != EEXIST)
      return Fail("create");
  }
  return Fail("create");
}

bool ReplacementFile::Write(const char* data, std::size_t size) {
  if (m_fd < 0) {
    errno = EBADF;
    return Fail("write");
  }
  while (size > 0) {
    const ssize_t written = ::write(m_fd, data, size);
    if (written < 0) {
      if (errno == EINTR)
        continue;
      return Fail("write");
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool ReplacementFile::Commit() {
  if (m_fd < 0) {
    errno = EBADF;
    return Fail("commit");
  }
  const int fd = std::exchange(m_fd, -1);
  if (::close(fd) != 0) {
    Fail("close");
    Discard();
    return false;
  }
  if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
    Fail("rename");
    Discard();
    return false;
  }
  m_temporary.clear();
  return true;
}

void ReplacementFile::Discard() {
  if (m_fd >= 0)
    ::close(std::exchange(m_fd, -1));
  if (!m_temporary.empty()) {
    ::unlink(m_temporary.c_str());
    m_temporary.clear();
  }
}

}  // namespace platform

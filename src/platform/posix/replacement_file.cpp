#include "platform/replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <utility>

#include "platform/temporary_files.h"

namespace platform {

namespace {

// Hidden and unmistakable, so that no folder listing of installers or
// catalogues takes it for a finished file: "." + the target's name + ".%08x.part".
// Anything matching ^\..*\.[0-9a-f]{8}\.part$ in a download folder is ours,
// and clean-up at start relies on exactly that shape. A name the file system
// takes must work, so when the whole would be longer than the folder allows,
// only the middle (the target's name) is shortened, at a UTF-8 character
// boundary.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target, unsigned salt) {
  char suffix[16];
  const int suffixLength = std::snprintf(suffix, sizeof suffix, ".%08x.part", salt);
  const std::string original = target.filename().string();
  std::filesystem::path folder = target.parent_path();
  const long longest = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
  const std::size_t limit = longest > 0 ? static_cast<std::size_t>(longest) : NAME_MAX;
  const std::size_t fixed = 1 + static_cast<std::size_t>(suffixLength);
  const std::size_t room = limit > fixed ? limit - fixed : 0;
  std::size_t keep = std::min(original.size(), room);
  while (keep > 0 && keep < original.size() &&
         (static_cast<unsigned char>(original[keep]) & 0xC0) == 0x80)
    --keep;
  std::string name;
  name.reserve(1 + keep + static_cast<std::size_t>(suffixLength));
  name.push_back('.');
  name.append(original, 0, keep);
  name.append(suffix, static_cast<std::size_t>(suffixLength));
  return folder / name;
}

}  // namespace

ReplacementFile::ReplacementFile(std::filesystem::path target) : m_target(std::move(target)) {}

ReplacementFile::~ReplacementFile() {
  if (m_partial && m_fd >= 0)
    ::close(std::exchange(m_fd, -1));
  else
    Discard();
}

bool ReplacementFile::Fail(const char* step) {
  m_error = std::string(step) + ": " + std::strerror(errno);
  return false;
}

bool ReplacementFile::Open() {
  Discard();
  m_durable = false;
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
      m_size = 0;
      m_partial = false;
      RememberTemporary(m_temporary);
      return true;
    }
    if (errno != EEXIST)
      return Fail("create");
  }
  return Fail("create");
}

bool ReplacementFile::OpenPartial(const std::filesystem::path& partial) {
  Discard();
  m_durable = false;
  m_fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  struct stat status {};
  if (m_fd < 0 || ::fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode) ||
      ::lseek(m_fd, 0, SEEK_END) < 0) {
    Fail("open");
    if (m_fd >= 0)
      ::close(std::exchange(m_fd, -1));
    return false;
  }
  m_temporary = partial;
  m_size = static_cast<std::uint64_t>(status.st_size);
  m_partial = true;
  return true;
}

bool ReplacementFile::Truncate() {
  if (m_fd < 0 || ::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) < 0)
    return Fail("truncate");
  m_size = 0;
  return true;
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
    m_size += static_cast<std::uint64_t>(written);
  }
  return true;
}

bool ReplacementFile::SetPermissions(unsigned permissions) {
  if (m_fd < 0) {
    errno = EBADF;
    return Fail("chmod");
  }
  if (::fchmod(m_fd, static_cast<mode_t>(permissions & 0777)) != 0)
    return Fail("chmod");
  return true;
}

bool ReplacementFile::Sync() {
  if (m_fd < 0) {
    errno = EBADF;
    return Fail("fsync");
  }
  if (::fsync(m_fd) != 0)
    return Fail("fsync");
  m_durable = true;
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
  ForgetTemporary(m_temporary);
  m_temporary.clear();
  if (m_durable) {
    const std::filesystem::path folder =
        m_target.parent_path().empty() ? std::filesystem::path(".") : m_target.parent_path();
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
      ::fsync(folderFd);
      ::close(folderFd);
    }
  }
  m_partial = false;
  return true;
}

void ReplacementFile::Discard() {
  if (m_fd >= 0)
    ::close(std::exchange(m_fd, -1));
  if (!m_temporary.empty()) {
    ::unlink(m_temporary.c_str());
    ForgetTemporary(m_temporary);
    m_temporary.clear();
  }
  m_partial = false;
}

}  // namespace platform

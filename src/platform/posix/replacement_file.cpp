#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/replacement_file_host.h"

namespace platform::host {

// The folder's own bound on a name's length; the middle is cut at a UTF-8
// character boundary.
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

// 0666 lets the umask decide, as for any new file.
int CreateNewFile(const std::filesystem::path& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

bool NameWasTaken() {
  return errno == EEXIST;
}

int OpenForAppending(const std::filesystem::path& partial, std::uint64_t& size) {
  const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  struct stat status {};
  if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
      ::lseek(fd, 0, SEEK_END) < 0) {
    const int reason = errno;
    if (fd >= 0)
      ::close(fd);
    errno = reason;
    return -1;
  }
  size = static_cast<std::uint64_t>(status.st_size);
  return fd;
}

bool TruncateFile(int fd) {
  return ::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) >= 0;
}

bool WriteAll(int fd, const char* data, std::size_t size, std::uint64_t& written) {
  while (size > 0) {
    const ssize_t part = ::write(fd, data, size);
    if (part < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    data += part;
    size -= static_cast<std::size_t>(part);
    written += static_cast<std::uint64_t>(part);
  }
  return true;
}

bool SetFilePermissions(int fd, unsigned permissions) {
  return ::fchmod(fd, static_cast<mode_t>(permissions & 0777)) == 0;
}

bool SyncFile(int fd) {
  return ::fsync(fd) == 0;
}

bool ReplaceTarget(const std::filesystem::path& temporary, const std::filesystem::path& target,
                   bool durable) {
  if (::rename(temporary.c_str(), target.c_str()) != 0)
    return false;
  if (durable) {
    const std::filesystem::path folder =
        target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
      ::fsync(folderFd);
      ::close(folderFd);
    }
  }
  return true;
}

void RemoveFile(const std::filesystem::path& path) {
  ::unlink(path.c_str());
}

void SetNotOpenError() {
  errno = EBADF;
}

void SetFolderError() {
  errno = EISDIR;
}

std::string LastErrorText() {
  return std::strerror(errno);
}

}  // namespace platform::host

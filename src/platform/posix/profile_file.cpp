#include "platform/profile_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/profile_journal.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

bool ReadFromDescriptor(int fd, std::string& out) {
  out.clear();
  char buffer[8192];
  if (lseek(fd, 0, SEEK_SET) < 0)
    return false;
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    if (got == 0)
      return true;
    out.append(buffer, static_cast<std::size_t>(got));
  }
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t put = write(fd, data.data(), data.size());
    if (put < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : m_fd(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (m_fd >= 0)
      close(m_fd);
  }
  int get() const { return m_fd; }
  int release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }

 private:
  int m_fd;
};

// Calls a size-asking xattr function until the buffer is big enough:
// another program may change the attributes between the two calls.
template <typename Call>
std::optional<std::string> XattrBuffer(Call call) {
  std::string buffer;
  for (int attempt = 0; attempt < 8; ++attempt) {
    const ssize_t needed = call(nullptr, 0);
    if (needed < 0)
      return std::nullopt;
    buffer.resize(static_cast<std::size_t>(needed));
    const ssize_t got = call(buffer.data(), buffer.size());
    if (got >= 0) {
      buffer.resize(static_cast<std::size_t>(got));
      return buffer;
    }
    if (errno != ERANGE)
      return std::nullopt;
  }
  return std::nullopt;
}

std::vector<std::string> XattrNames(const std::string& list) {
  std::vector<std::string> names;
  for (std::size_t at = 0; at < list.size();) {
    const std::size_t end = list.find('\0', at);
    names.emplace_back(list.substr(at, end - at));
    at = end == std::string::npos ? list.size() : end + 1;
  }
  return names;
}

std::optional<std::string> XattrValue(int fd, const std::string& name) {
  return XattrBuffer(
      [&](char* data, std::size_t size) { return fgetxattr(fd, name.c_str(), data, size); });
}

// Gives `to` the extended attributes of `from` that this process may read,
// and no others: the POSIX ACL among them (system.posix_acl_access), so that
// another user of the suite whom the ACL lets in is not shut out by a new
// file. False when `to` cannot be given them all.
bool CopyExtendedAttributes(int from, int to) {
  const auto listOf = [](int fd) {
    return XattrBuffer([fd](char* data, std::size_t size) { return flistxattr(fd, data, size); });
  };
  const auto fromList = listOf(from);
  const auto toList = listOf(to);
  // A file system without them has none to keep.
  if (!fromList || !toList)
    return errno == ENOTSUP && !fromList && !toList;
  const std::vector<std::string> wanted = XattrNames(*fromList);
  for (const std::string& name : XattrNames(*toList)) {
    // Inherited from the folder (a default ACL, say), but not the file's.
    if (std::find(wanted.begin(), wanted.end(), name) == wanted.end() &&
        fremovexattr(to, name.c_str()) != 0)
      return false;
  }
  for (const std::string& name : wanted) {
    const auto value = XattrValue(from, name);
    if (!value) {
      if (errno == ENODATA)
        continue;  // removed since it was listed
      return false;
    }
    if (XattrValue(to, name) == value)
      continue;
    if (fsetxattr(to, name.c_str(), value->data(), value->size(), 0) != 0)
      return false;
  }
  return true;
}

enum class Replaced { Yes, No, InPlaceInstead };

// Writes the new contents beside the file and renames it into place, with the
// file's owner, group, permissions and extended attributes. InPlaceInstead
// (and nothing changed) when this process may not give the new file all of
// them, or may not make a file in the folder at all.
Replaced ReplaceAtomically(const fs::path& path, std::string_view contents, int lockedFd,
                           const struct stat& was) {
  // Built piece by piece: GCC 12 mistakes "." + name for an overlapping copy.
  std::string hidden(".");
  hidden += path.filename().string();
  hidden += ".XXXXXX";
  std::string pattern = (path.parent_path() / hidden).string();
  Descriptor temp(mkstemp(pattern.data()));
  if (temp.get() < 0) {
    // A folder only its owner may write, holding a file others may: the
    // suite's own programs write such a file in place, and so does this.
    return errno == EACCES || errno == EPERM || errno == EROFS ? Replaced::InPlaceInstead
                                                               : Replaced::No;
  }
  struct stat made {};
  if (fstat(temp.get(), &made) != 0 ||
      ((made.st_uid != was.st_uid || made.st_gid != was.st_gid) &&
       fchown(temp.get(), was.st_uid, was.st_gid) != 0) ||
      !CopyExtendedAttributes(lockedFd, temp.get())) {
    unlink(pattern.c_str());
    return Replaced::InPlaceInstead;
  }
  // After the chown, which may clear set-id bits, and after the ACL, whose
  // mask the group bits are.
  const bool written = WriteAll(temp.get(), contents) &&
                       fchmod(temp.get(), was.st_mode & 07777) == 0 && fsync(temp.get()) == 0 &&
                       close(temp.release()) == 0;
  if (!written || rename(pattern.c_str(), path.c_str()) != 0) {
    unlink(pattern.c_str());
    return Replaced::No;
  }
  Descriptor folder(open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0)
    fsync(folder.get());
  return Replaced::Yes;
}

// The file a path names in the end: symbolic links are followed, dangling
// ones included, so that a write goes to the file a link points at (creating
// it) instead of putting a plain file in the link's place.
fs::path FinalTarget(fs::path path) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec)))
      return path;
    const fs::path next = fs::read_symlink(path, ec);
    if (ec)
      return path;
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return path;  // a loop of links: opening it fails
}

// Threads of one process take turns too: flock locks belong to open files,
// and two threads would otherwise each lock their own.
std::mutex g_writeMutex;

}  // namespace

namespace {

// The file's contents as a reader sees them; nullopt when it cannot be read.
std::optional<std::string> ReadContents(const fs::path& path) {
  // Shared with other readers, never with a writer that overwrites in place.
  Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  std::string contents;
  if (file.get() < 0 || flock(file.get(), LOCK_SH) != 0 ||
      !ReadFromDescriptor(file.get(), contents))
    return std::nullopt;
  // A writer died part-way through an overwrite: read what it was writing.
  if (auto finished = InterruptedWriteResult(FinalTarget(path), contents))
    contents = std::move(*finished);
  return contents;
}

}  // namespace

std::optional<std::string> ProfileFile::Read(std::string_view section, std::string_view key) const {
  const auto contents = ReadContents(m_path);
  if (!contents)
    return std::nullopt;
  return FindProfileValue(*contents, section, key);
}

std::vector<std::optional<std::string>> ProfileFile::ReadMany(
    std::string_view section, const std::vector<std::string>& keys) const {
  std::vector<std::optional<std::string>> values(keys.size());
  if (const auto contents = ReadContents(m_path)) {
    for (std::size_t i = 0; i < keys.size(); ++i)
      values[i] = FindProfileValue(*contents, section, keys[i]);
  }
  return values;
}

bool ProfileFile::Write(std::string_view section, std::string_view key,
                        std::string_view value) const {
  if (!IsWritableProfileEntry(section, key, value))
    return false;
  // Write through a link to the file it names, so the link survives the rename.
  const fs::path target = FinalTarget(m_path);

  std::lock_guard threads(g_writeMutex);
  // Another writer may rename a new file into place between our open and our
  // lock, again and again while it is busy; keep trying for a while, not for ever.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < giveUp) {
    Descriptor file(open(target.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (file.get() < 0)
      return false;
    if (flock(file.get(), LOCK_EX) != 0)
      return false;
    // Another writer may have renamed a new file into place while we waited:
    // then our lock guards a file nobody reads any more, so start again.
    struct stat locked {};
    struct stat current {};
    if (fstat(file.get(), &locked) != 0)
      return false;
    if (stat(target.c_str(), &current) != 0 || current.st_ino != locked.st_ino ||
        current.st_dev != locked.st_dev) {
      continue;
    }
    std::string contents;
    if (!ReadFromDescriptor(file.get(), contents) ||
        !FinishInterruptedWrite(file.get(), target, contents))
      return false;
    const std::string updated = WithProfileValue(contents, section, key, value);
    if (updated == contents)
      return true;
    // Another name of the file would keep the old contents after a rename,
    // and a file we may not give its owner, group or attributes must keep
    // the ones it has: both are written in place, journalled.
    if (locked.st_nlink > 1)
      return WriteInPlace(file.get(), target, contents, updated);
    switch (ReplaceAtomically(target, updated, file.get(), locked)) {
      case Replaced::Yes:
        return true;
      case Replaced::No:
        return false;
      case Replaced::InPlaceInstead:
        return WriteInPlace(file.get(), target, contents, updated);
    }
    return false;
  }
  return false;
}

}  // namespace platform

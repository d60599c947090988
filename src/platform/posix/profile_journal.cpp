#include "platform/profile_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace fs = std::filesystem;

namespace platform {
namespace {

bool PutAll(int fd, std::string_view data, off_t at) {
  while (!data.empty()) {
    const ssize_t put = ::pwrite(fd, data.data(), data.size(), at);
    if (put < 0 && errno == EINTR)
      continue;
    if (put <= 0)
      return false;
    data.remove_prefix(static_cast<std::size_t>(put));
    at += put;
  }
  return true;
}

void SyncFolderOf(const fs::path& file) {
  const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

// From the first byte that differs: the fewer bytes an overwrite cut short
// can have torn, the better, above all where there is no journal.
bool Overwrite(int fd, std::string_view current, std::string_view contents) {
  std::size_t same = 0;
  while (same < current.size() && same < contents.size() && current[same] == contents[same])
    ++same;
  return PutAll(fd, contents.substr(same), static_cast<off_t>(same)) &&
         ::ftruncate(fd, static_cast<off_t>(contents.size())) == 0 && ::fsync(fd) == 0;
}

}  // namespace

bool WriteInPlace(int fd, const fs::path& file, std::string_view old, std::string_view updated) {
  const fs::path journalPath = ProfileJournalPath(file);
  const int journal =
      ::open(journalPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (journal < 0) {
    // A folder this process may not write has no room for a journal: the
    // file is overwritten in place, fsynced, as the suite's own programs
    // write it. Not past a journal of someone else's, which the next reader
    // would take for this write's.
    const bool folderClosed = errno == EACCES || errno == EPERM || errno == EROFS;
    struct stat there {};
    if (folderClosed && ::lstat(journalPath.c_str(), &there) != 0 && errno == ENOENT)
      return Overwrite(fd, old, updated);
    return false;
  }
  const std::string header = ProfileJournalHeader(old.size(), updated.size());
  const bool journalled =
      PutAll(journal, header, 0) && PutAll(journal, old, static_cast<off_t>(header.size())) &&
      PutAll(journal, updated, static_cast<off_t>(header.size() + old.size())) &&
      ::fsync(journal) == 0;
  ::close(journal);
  if (!journalled) {
    ::unlink(journalPath.c_str());
    return false;
  }
  SyncFolderOf(journalPath);
  if (!Overwrite(fd, old, updated))
    return false;  // the journal stays, for the next writer to finish
  ::unlink(journalPath.c_str());
  return true;
}

bool FinishInterruptedWrite(int fd, const fs::path& file, std::string& contents) {
  const fs::path journalPath = ProfileJournalPath(file);
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(journalPath, ec)))
    return true;
  if (auto finished = InterruptedWriteResult(file, contents)) {
    if (!Overwrite(fd, contents, *finished))
      return false;
    contents = std::move(*finished);
  }
  ::unlink(journalPath.c_str());
  return true;
}

}  // namespace platform

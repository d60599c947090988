#include "platform/profile_journal.h"

#include <fcntl.h>
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

bool Overwrite(int fd, std::string_view contents) {
  return PutAll(fd, contents, 0) && ::ftruncate(fd, static_cast<off_t>(contents.size())) == 0 &&
         ::fsync(fd) == 0;
}

}  // namespace

bool WriteInPlace(int fd, const fs::path& file, std::string_view old, std::string_view updated) {
  const fs::path journalPath = ProfileJournalPath(file);
  const int journal =
      ::open(journalPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (journal < 0)
    return false;
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
  if (!Overwrite(fd, updated))
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
    if (!Overwrite(fd, *finished))
      return false;
    contents = std::move(*finished);
  }
  ::unlink(journalPath.c_str());
  return true;
}

}  // namespace platform

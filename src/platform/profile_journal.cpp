#include "platform/profile_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace platform {
namespace {

// "ostrel-journal <old size> <new size>\n", then the old contents, then the new.
constexpr std::string_view kMagic = "ostrel-journal ";

struct Journal {
  std::string old;
  std::string updated;
};

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

std::optional<Journal> ReadJournal(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  const std::string all(std::istreambuf_iterator<char>(in), {});
  const std::size_t header = all.find('\n');
  if (!all.starts_with(kMagic) || header == std::string::npos)
    return std::nullopt;
  std::size_t oldSize = 0;
  std::size_t newSize = 0;
  const char* end = all.data() + header;
  auto first = std::from_chars(all.data() + kMagic.size(), end, oldSize);
  if (first.ec != std::errc() || first.ptr == end || *first.ptr != ' ')
    return std::nullopt;
  auto second = std::from_chars(first.ptr + 1, end, newSize);
  // A journal cut short was never acted on: the file was not touched yet.
  if (second.ec != std::errc() || second.ptr != end || all.size() - header - 1 != oldSize + newSize)
    return std::nullopt;
  return Journal{all.substr(header + 1, oldSize), all.substr(header + 1 + oldSize, newSize)};
}

// Every byte is the old or the new one at its place, and the length is one
// that overwriting from the start (which lengthens the file as it goes) and
// then truncating can leave.
bool LooksInterrupted(std::string_view current, const Journal& journal) {
  const std::size_t longer = std::max(journal.old.size(), journal.updated.size());
  if ((current.size() < journal.old.size() || current.size() > longer) &&
      current.size() != journal.updated.size())
    return false;
  for (std::size_t i = 0; i < current.size(); ++i) {
    const bool isOld = i < journal.old.size() && current[i] == journal.old[i];
    const bool isNew = i < journal.updated.size() && current[i] == journal.updated[i];
    if (!isOld && !isNew)
      return false;
  }
  return true;
}

}  // namespace

fs::path ProfileJournalPath(const fs::path& file) {
  std::string name(".");
  name += file.filename().string();
  name += ".journal";
  return file.parent_path() / name;
}

bool WriteInPlace(int fd, const fs::path& file, std::string_view old, std::string_view updated) {
  const fs::path journalPath = ProfileJournalPath(file);
  const int journal =
      ::open(journalPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (journal < 0)
    return false;
  std::string header(kMagic);
  header += std::to_string(old.size()) + " " + std::to_string(updated.size()) + "\n";
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

std::optional<std::string> InterruptedWriteResult(const fs::path& file, std::string_view current) {
  auto journal = ReadJournal(ProfileJournalPath(file));
  if (!journal || current == journal->updated || !LooksInterrupted(current, *journal))
    return std::nullopt;
  return std::move(journal->updated);
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

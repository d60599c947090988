#include "platform/profile_journal.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>

// The journal's form and the recovery rule are the same on every host; only
// the writes in place differ.

namespace fs = std::filesystem;

namespace platform {
namespace {

// "ostrel-journal <old size> <new size>\n", then the old contents, then the new.
constexpr std::string_view kMagic = "ostrel-journal ";

struct Journal {
  std::string old;
  std::string updated;
};

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
  // Appended as paths, so that a name beyond ASCII keeps its spelling on any host.
  fs::path name(".");
  name += file.filename();
  name += ".journal";
  return file.parent_path() / name;
}

std::string ProfileJournalHeader(std::size_t oldSize, std::size_t newSize) {
  std::string header(kMagic);
  header += std::to_string(oldSize) + " " + std::to_string(newSize) + "\n";
  return header;
}

std::optional<std::string> InterruptedWriteResult(const fs::path& file, std::string_view current) {
  auto journal = ReadJournal(ProfileJournalPath(file));
  if (!journal || current == journal->updated || !LooksInterrupted(current, *journal))
    return std::nullopt;
  return std::move(journal->updated);
}

}  // namespace platform

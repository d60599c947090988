#include "platform/profile_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/ascii.h"
#include "platform/decimal_text.h"
#include "platform/profile_journal.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

// One physical line: [begin, contentEnd) is the text, [contentEnd, end) its line break.
struct Line {
  std::size_t begin;
  std::size_t contentEnd;
  std::size_t end;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t newline = text.find('\n', pos);
    const std::size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
    std::size_t contentEnd = newline == std::string_view::npos ? text.size() : newline;
    if (contentEnd > pos && text[contentEnd - 1] == '\r')
      --contentEnd;
    lines.push_back({pos, contentEnd, end});
    pos = end;
  }
  return lines;
}

std::optional<std::string_view> SectionName(std::string_view content) {
  content = Trim(content);
  if (content.empty() || content.front() != '[')
    return std::nullopt;
  const std::size_t close = content.find(']');
  if (close == std::string_view::npos)
    return std::nullopt;
  return Trim(content.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyLine> SplitKeyLine(std::string_view content) {
  const std::string_view trimmed = Trim(content);
  if (trimmed.empty() || trimmed.front() == ';')
    return std::nullopt;
  const std::size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos)
    return std::nullopt;
  return KeyLine{Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1))};
}

std::string Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

// Where a key lives, or where it would be added.
struct Location {
  bool sectionFound = false;
  std::optional<Line> keyLine;
  std::size_t insertAt = 0;  // after the section's last non-blank line
};

Location Locate(std::string_view text, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
  Location where;
  bool inSection = false;
  bool sectionDone = false;
  for (const Line& line : lines) {
    const std::string_view content = text.substr(line.begin, line.contentEnd - line.begin);
    if (auto name = SectionName(content)) {
      if (inSection)
        sectionDone = true;
      inSection = !sectionDone && EqualsIgnoringCase(*name, section);
      if (inSection && !where.sectionFound) {
        where.sectionFound = true;
        where.insertAt = line.end;
      }
      continue;
    }
    if (!inSection)
      continue;
    if (!Trim(content).empty())
      where.insertAt = line.end;
    if (auto keyLine = SplitKeyLine(content); keyLine && EqualsIgnoringCase(keyLine->key, key)) {
      where.keyLine = line;
      return where;
    }
  }
  return where;
}

std::string_view LineBreakOf(std::string_view text) {
  const std::size_t newline = text.find('\n');
  if (newline == std::string_view::npos)
    return "\r\n";
  return (newline > 0 && text[newline - 1] == '\r') ? "\r\n" : "\n";
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

// A name that a catalogue made up (a key from an item's Info, say) must not
// bring control characters or an unbounded length into a file that other
// programs read.
bool IsWritableName(std::string_view name) {
  if (name.size() > ProfileFile::kLongestName)
    return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

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

enum class Replaced { Yes, No, NotAsTheFileWas };

// Writes the new contents beside the file and renames it into place, with the
// file's owner, group and permissions. NotAsTheFileWas (and nothing changed)
// when this process may not give the new file that owner or group.
Replaced ReplaceAtomically(const fs::path& path, std::string_view contents,
                           const struct stat& was) {
  // Built piece by piece: GCC 12 mistakes "." + name for an overlapping copy.
  std::string hidden(".");
  hidden += path.filename().string();
  hidden += ".XXXXXX";
  std::string pattern = (path.parent_path() / hidden).string();
  Descriptor temp(mkstemp(pattern.data()));
  if (temp.get() < 0)
    return Replaced::No;
  struct stat made {};
  if (fstat(temp.get(), &made) != 0 || ((made.st_uid != was.st_uid || made.st_gid != was.st_gid) &&
                                        fchown(temp.get(), was.st_uid, was.st_gid) != 0)) {
    unlink(pattern.c_str());
    return Replaced::NotAsTheFileWas;
  }
  // After the chown, which may clear set-id bits.
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

std::optional<std::string> FindProfileValue(std::string_view contents, std::string_view section,
                                            std::string_view key) {
  const auto lines = SplitLines(contents);
  const Location where = Locate(contents, lines, section, key);
  if (!where.keyLine)
    return std::nullopt;
  const Line& line = *where.keyLine;
  const auto keyLine = SplitKeyLine(contents.substr(line.begin, line.contentEnd - line.begin));
  return Unquote(keyLine->value);
}

std::string WithProfileValue(std::string_view contents, std::string_view section,
                             std::string_view key, std::string_view value) {
  const auto lines = SplitLines(contents);
  const Location where = Locate(contents, lines, section, key);
  const std::string_view eol = LineBreakOf(contents);
  std::string result;
  result.reserve(contents.size() + section.size() + key.size() + value.size() + 8);

  if (where.keyLine) {
    const Line& line = *where.keyLine;
    const std::string_view content = contents.substr(line.begin, line.contentEnd - line.begin);
    const std::size_t indent = content.find_first_not_of(" \t");
    const auto keyLine = SplitKeyLine(content);
    result.append(contents.substr(0, line.begin));
    result.append(content.substr(0, indent));
    result.append(keyLine->key);
    result += '=';
    result.append(value);
    result.append(contents.substr(line.contentEnd));
    return result;
  }

  std::string addition;
  if (!where.sectionFound) {
    addition.append("[").append(section).append("]").append(eol);
  }
  addition.append(key).append("=").append(value).append(eol);

  const std::size_t at = where.sectionFound ? where.insertAt : contents.size();
  result.append(contents.substr(0, at));
  if (at > 0 && result.back() != '\n')
    result.append(eol);
  result.append(addition);
  result.append(contents.substr(at));
  return result;
}

std::int32_t ParseProfileInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (IsBlank(text[i]) || text[i] == '\n' || text[i] == '\r'))
    ++i;
  return SaturatedDecimal(text.substr(i));
}

ProfileFile::ProfileFile(fs::path hostPath) : m_path(std::move(hostPath)) {}

std::optional<std::string> ProfileFile::Read(std::string_view section, std::string_view key) const {
  // Shared with other readers, never with a writer that overwrites in place.
  Descriptor file(open(m_path.c_str(), O_RDONLY | O_CLOEXEC));
  std::string contents;
  if (file.get() < 0 || flock(file.get(), LOCK_SH) != 0 ||
      !ReadFromDescriptor(file.get(), contents))
    return std::nullopt;
  // A writer died part-way through an overwrite: read what it was writing.
  if (auto finished = InterruptedWriteResult(FinalTarget(m_path), contents))
    contents = std::move(*finished);
  return FindProfileValue(contents, section, key);
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  auto value = Read(section, key);
  return value ? *value : std::string(defaultValue);
}

std::uint32_t ProfileFile::ReadInt(std::string_view section, std::string_view key,
                                   std::int32_t defaultValue) const {
  const auto value = Read(section, key);
  const std::int32_t number =
      (value && !value->empty()) ? ParseProfileInteger(*value) : defaultValue;
  return static_cast<std::uint32_t>(number);
}

bool ProfileFile::Write(std::string_view section, std::string_view key,
                        std::string_view value) const {
  if (!IsWritableName(section) || !IsWritableName(key) || value.size() > kLongestValue ||
      HasLineBreak(value) || value.find('\0') != std::string_view::npos ||
      section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
      Trim(key).empty() || Trim(key).front() == ';' || Trim(key).front() == '[') {
    return false;
  }
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
    // and a file we may not give its owner must keep the one it has: both
    // are written in place, journalled.
    if (locked.st_nlink > 1)
      return WriteInPlace(file.get(), target, contents, updated);
    switch (ReplaceAtomically(target, updated, locked)) {
      case Replaced::Yes:
        return true;
      case Replaced::No:
        return false;
      case Replaced::NotAsTheFileWas:
        return WriteInPlace(file.get(), target, contents, updated);
    }
    return false;
  }
  return false;
}

}  // namespace platform

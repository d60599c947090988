#include "platform/profile_file.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/ascii.h"
#include "platform/decimal_text.h"
#include "platform/profile_encoding.h"

// The text side of profile files is the same on every host; only reading and
// writing the file itself differ.

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

std::optional<std::string> FindInLines(std::string_view contents, std::string_view section,
                                       std::string_view key) {
  const auto lines = SplitLines(contents);
  const Location where = Locate(contents, lines, section, key);
  if (!where.keyLine)
    return std::nullopt;
  const Line& line = *where.keyLine;
  const auto keyLine = SplitKeyLine(contents.substr(line.begin, line.contentEnd - line.begin));
  return Unquote(keyLine->value);
}

std::string WithValueInLines(std::string_view contents, std::string_view section,
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

}  // namespace

std::optional<std::string> FindProfileValue(std::string_view contents, std::string_view section,
                                            std::string_view key) {
  // Most files are Windows-1252, read where they lie.
  const ProfileEncoding encoding = EncodingOf(contents);
  if (encoding == ProfileEncoding::kAnsi)
    return FindInLines(contents, section, key);
  const ProfileText text = DecodeProfile(contents);
  auto value =
      FindInLines(text.lines, ToProfileLines(encoding, section), ToProfileLines(encoding, key));
  if (!value)
    return std::nullopt;
  return FromProfileLines(encoding, *value);
}

std::string WithProfileValue(std::string_view contents, std::string_view section,
                             std::string_view key, std::string_view value) {
  if (EncodingOf(contents) == ProfileEncoding::kAnsi)
    return WithValueInLines(contents, section, key, value);
  ProfileText text = DecodeProfile(contents);
  text.lines =
      WithValueInLines(text.lines, ToProfileLines(text.encoding, section),
                       ToProfileLines(text.encoding, key), ToProfileLines(text.encoding, value));
  return EncodeProfile(text);
}

std::int32_t ParseProfileInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (IsBlank(text[i]) || text[i] == '\n' || text[i] == '\r'))
    ++i;
  return SaturatedDecimal(text.substr(i));
}

ProfileFile::ProfileFile(std::filesystem::path hostPath) : m_path(std::move(hostPath)) {}

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

bool IsWritableProfileEntry(std::string_view section, std::string_view key,
                            std::string_view value) {
  return IsWritableName(section) && IsWritableName(key) &&
         value.size() <= ProfileFile::kLongestValue && !HasLineBreak(value) &&
         value.find('\0') == std::string_view::npos &&
         section.find(']') == std::string_view::npos && key.find('=') == std::string_view::npos &&
         !Trim(key).empty() && Trim(key).front() != ';' && Trim(key).front() != '[';
}

}  // namespace platform

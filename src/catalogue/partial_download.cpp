#include "catalogue/partial_download.h"

#include <algorithm>
#include <charconv>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/file_reader.h"
#include "support/log.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kRecordHeading = "ostrel-update partial download 1";
constexpr std::string_view kPartialEnd = ".partial";
constexpr std::string_view kRecordEnd = ".partial.record";
// A record is a few lines; anything longer is not one.
constexpr std::size_t kRecordMostBytes = 64 * 1024;

// "." + the target's name + `end`, beside it. In steps: GCC 12 takes
// "..." + text for an overlapping copy (bug 105651).
fs::path HiddenBeside(const fs::path& target, std::u8string_view end) {
  std::u8string name = u8".";
  name += target.filename().u8string();
  name += end;
  return target.parent_path() / name;
}

fs::path PartialPathFor(const fs::path& target) {
  return HiddenBeside(target, u8".partial");
}

fs::path RecordPathFor(const fs::path& target) {
  return HiddenBeside(target, u8".partial.record");
}

std::optional<PartialRecord> ReadRecord(const fs::path& path) {
  platform::FileReader in(path);
  if (!in.IsOpen())
    return std::nullopt;
  std::string text;
  std::vector<char> buffer(4096);
  while (text.size() <= kRecordMostBytes) {
    const auto got = in.Read(buffer.data(), buffer.size());
    if (!got)
      return std::nullopt;
    if (*got == 0)
      return ParsePartialRecord(text);
    text.append(buffer.data(), *got);
  }
  return std::nullopt;
}

// Written whole or not at all, so that a record never names half a URL.
bool WriteRecord(const fs::path& path, const PartialRecord& record) {
  platform::ReplacementFile file(path);
  const std::string text = PartialRecordText(record);
  return file.Open() && file.Write(text.data(), text.size()) && file.Commit();
}

// The partial first: a record without its partial resumes nothing.
void RemovePartialOf(const fs::path& target) {
  std::error_code ignored;
  fs::remove(PartialPathFor(target), ignored);
  fs::remove(RecordPathFor(target), ignored);
}

std::string_view Field(std::string_view line, std::string_view name) {
  return line.substr(name.size() + 1);
}

// A value that goes into a request's header line must stay one line.
bool IsOneLine(std::string_view text) {
  return std::none_of(text.begin(), text.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

}  // namespace

std::string PartialRecordText(const PartialRecord& record) {
  std::string text(kRecordHeading);
  text += "\nurl " + record.url + "\nvalidator " + record.validator + "\n";
  if (record.length)
    text += "length " + std::to_string(*record.length) + "\n";
  return text;
}

std::optional<PartialRecord> ParsePartialRecord(std::string_view text) {
  PartialRecord record;
  bool first = true;
  while (!text.empty()) {
    const auto end = text.find('\n');
    if (end == std::string_view::npos)
      return std::nullopt;  // cut short
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (first) {
      if (line != kRecordHeading)
        return std::nullopt;
      first = false;
    } else if (line.starts_with("url ")) {
      record.url = Field(line, "url");
    } else if (line.starts_with("validator ")) {
      record.validator = Field(line, "validator");
    } else if (line.starts_with("length ")) {
      const std::string_view digits = Field(line, "length");
      std::uint64_t length = 0;
      const auto [at, error] =
          std::from_chars(digits.data(), digits.data() + digits.size(), length);
      if (error != std::errc() || at != digits.data() + digits.size())
        return std::nullopt;
      record.length = length;
    }
  }
  if (first || record.url.empty() || record.validator.empty() || !IsOneLine(record.url) ||
      !IsOneLine(record.validator))
    return std::nullopt;
  return record;
}

std::string ValidatorOf(const platform::HttpHead& head) {
  // A weak tag ("W/...") may name a file whose bytes changed: not for ranges.
  if (head.etag.size() >= 2 && head.etag.front() == '"' && head.etag.back() == '"' &&
      IsOneLine(head.etag))
    return head.etag;
  return IsOneLine(head.lastModified) ? head.lastModified : std::string();
}

bool SameFile(const platform::HttpHead& head, const std::string& validator) {
  if (!validator.empty() && validator.front() == '"')
    return head.etag.empty() || head.etag == validator;
  return head.lastModified.empty() || head.lastModified == validator;
}

std::size_t RemoveStalePartials(const fs::path& folder, std::chrono::seconds unchangedFor) {
  const auto writtenBefore = fs::file_time_type::clock::now() - unchangedFor;
  std::size_t removed = 0;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::u8string name = entry.path().filename().u8string();
    const std::u8string end(kRecordEnd.begin(), kRecordEnd.end());
    std::error_code entryError;
    if (name.size() <= end.size() + 1 || name.front() != u8'.' || !name.ends_with(end) ||
        !entry.is_regular_file(entryError) || entry.is_symlink(entryError) ||
        !ReadRecord(entry.path()))
      continue;
    const fs::path partial =
        folder / name.substr(0, name.size() - (kRecordEnd.size() - kPartialEnd.size()));
    std::error_code partialError;
    if (fs::is_regular_file(fs::symlink_status(partial, partialError))) {
      const auto written = fs::last_write_time(partial, partialError);
      if (partialError || written > writtenBefore)
        continue;  // still being fetched, or resumed lately
      if (fs::remove(partial, partialError))
        ++removed;
    }
    if (fs::remove(entry.path(), entryError))
      ++removed;
  }
  return removed;
}

TransferTarget::TransferTarget(fs::path target, std::string url, bool keepAcrossRuns)
    : m_target(std::move(target)),
      m_url(std::move(url)),
      m_keepAcrossRuns(keepAcrossRuns),
      m_file(m_target) {}

TransferTarget::~TransferTarget() {
  Keep();
}

bool TransferTarget::Open() {
  if (m_keepAcrossRuns) {
    const auto record = ReadRecord(RecordPathFor(m_target));
    std::error_code error;
    if (record && record->url == m_url && fs::exists(PartialPathFor(m_target), error) &&
        m_file.OpenPartial(PartialPathFor(m_target))) {
      // A partial as long as the whole file may be one the server shortened
      // since: only a whole answer tells.
      if (!record->length || m_file.Size() < *record->length) {
        m_partial = true;
        m_validator = record->validator;
        m_length = record->length;
        return true;
      }
      m_file.Discard();
      RemovePartialOf(m_target);
    }
  }
  return OpenTemporary();
}

bool TransferTarget::OpenTemporary() {
  m_partial = false;
  return m_file.Open();
}

bool TransferTarget::StartOver(const std::string& validator, std::optional<std::uint64_t> length) {
  m_validator = validator;
  m_length = length;
  if (m_keepAcrossRuns && !validator.empty()) {
    // Whatever the folder held under these names goes before the new record
    // comes, so that a record never names another file's bytes.
    m_file.Discard();
    RemovePartialOf(m_target);
    if (WriteRecord(RecordPathFor(m_target), {m_url, validator, length}) &&
        m_file.OpenPartial(PartialPathFor(m_target))) {
      m_partial = true;
      return true;
    }
    // A name too long for the folder, a full disk: the file is only this run's.
    Log("download of %s cannot be kept for a later run: %s", m_url.c_str(), Error().c_str());
    RemovePartialOf(m_target);
    return OpenTemporary();
  }
  if (m_partial) {
    m_file.Discard();
    RemovePartialOf(m_target);
    return OpenTemporary();
  }
  return m_file.Truncate();
}

bool TransferTarget::Commit() {
  const bool committed = m_file.Commit();
  if (m_partial) {
    std::error_code ignored;
    fs::remove(RecordPathFor(m_target), ignored);
    m_partial = false;
  }
  return committed;
}

void TransferTarget::Keep() {
  if (!m_partial)
    m_file.Discard();
}

void TransferTarget::Discard() {
  m_file.Discard();
  if (m_partial)
    RemovePartialOf(m_target);
  m_partial = false;
}

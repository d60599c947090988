// A profile (INI) file shared with other programs of the suite.
//
// Reads follow the platform's profile functions: section and key names match
// without regard to case, blanks around "=" and around the value are dropped,
// a value in matching quotes loses them, CR LF and LF files read alike, and the
// first matching key of the first matching section wins. Lines beginning with
// ';' are comments. A file that begins with a byte-order mark is UTF-8 or
// UTF-16 (profile_encoding.h); names and values stay Windows-1252 here.
//
// A write changes only its own key's line (or adds the key at the end of its
// section, or the section at the end of the file), keeps every other byte, the
// file's encoding and its line endings, and creates new files as Windows-1252
// with CR LF. It holds an advisory lock (flock) on the file across
// read-modify-write and replaces the file atomically (temporary file in the
// same folder, fsync, rename) with the file's owner, group, permissions and
// extended attributes (its ACL among them), so neither a crash nor another
// program writing at the same moment loses a key. A symbolic link is written
// through to the file it names (made when it does not exist yet). A file with
// several hard links, or one whose owner, group or attributes this process may
// not give to a new file, is overwritten in place instead, journalled
// (profile_journal.h). So is a file in a folder this process may not write,
// but without a journal, which cannot be made there either: fsynced, as the
// suite's own programs write it.
//
// Nothing is cached: every read opens the file again, under a shared lock.
// Any thread may call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The text operations, on a file's contents; ProfileFile applies them to disk.
std::optional<std::string> FindProfileValue(std::string_view contents, std::string_view section,
                                            std::string_view key);
std::string WithProfileValue(std::string_view contents, std::string_view section,
                             std::string_view key, std::string_view value);

// atoi as the platform reads profile integers: leading blanks, an optional
// sign, the leading digits; out-of-range values saturate instead of wrapping.
std::int32_t ParseProfileInteger(std::string_view text);

// Whether ProfileFile::Write accepts this entry (see there).
bool IsWritableProfileEntry(std::string_view section, std::string_view key, std::string_view value);

class ProfileFile {
 public:
  explicit ProfileFile(std::filesystem::path hostPath);

  const std::filesystem::path& Path() const { return m_path; }

  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  // Read of each key of one section, the file read once: a catalogue may
  // have tens of thousands of items, each with its key.
  std::vector<std::optional<std::string>> ReadMany(std::string_view section,
                                                   const std::vector<std::string>& keys) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // The platform's profile integer: an absent or empty value gives the
  // default; the result is the signed value seen as unsigned.
  std::uint32_t ReadInt(std::string_view section, std::string_view key,
                        std::int32_t defaultValue) const;

  // Bounds of what a write accepts. Windows' profile functions stop at 65,535
  // characters per value; a section or key name of more than 255 characters
  // is no name any program of the suite writes.
  static constexpr std::size_t kLongestValue = 65535;
  static constexpr std::size_t kLongestName = 255;

  // False when the file can't be written (nothing on disk changed then), or
  // when the write is refused and the file left untouched: a name or value
  // holding a line break or a NUL byte, or a name that breaks the syntax
  // (such a write would inject lines into other programs' sections), a name
  // holding any other control character, or a name or value beyond its bound.
  bool Write(std::string_view section, std::string_view key, std::string_view value) const;

 private:
  std::filesystem::path m_path;
};

}  // namespace platform

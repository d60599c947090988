// A file written in full before it takes the place of another.
//
// The bytes go to a temporary file beside the target (same folder, so the
// final move is a rename on one file system). Commit moves it onto the target
// in one step; until then the target keeps whatever it held, and a
// ReplacementFile that goes without Commit removes its temporary file. So a
// transfer that fails half-way leaves an earlier file intact and no partial
// file behind, and a reader never sees a half-written target.
//
// One object belongs to one thread at a time; different objects (even for the
// same target) may be used on different threads at once.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Whether a file name is one that ReplacementFile gives its temporary files:
// hidden, ending in "." + 8 lower-case hexadecimal digits + ".part".
bool IsTemporaryName(std::string_view fileName);

class ReplacementFile {
 public:
  explicit ReplacementFile(std::filesystem::path target);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the temporary file. False (and Error() says why) when the target's
  // folder is missing or may not be written.
  bool Open();

  // Appends bytes; false when the disk refuses them (full, I/O error).
  bool Write(const char* data, std::size_t size);

  // Gives the file these permission bits (rwx for owner, group and others;
  // the set-id and sticky bits are never given) instead of the umask's.
  bool SetPermissions(unsigned permissions);

  // Makes what was written durable (fsync) before Commit, and the rename once
  // Commit has made it: for a file whose loss in a power cut matters more
  // than the time it takes.
  bool Sync();

  // Closes the temporary file and renames it onto the target, replacing an
  // existing file. False when either step fails; the temporary file is gone
  // either way.
  bool Commit();

  // Drops what was written; the target stays as it was.
  void Discard();

  const std::filesystem::path& Target() const { return m_target; }
  const std::filesystem::path& TemporaryPath() const { return m_temporary; }
  // The last failure: the step and the system's reason ("create: No such file or directory").
  const std::string& Error() const { return m_error; }

 private:
  bool Fail(const char* step);

  std::filesystem::path m_target;
  std::filesystem::path m_temporary;
  int m_fd = -1;
  bool m_durable = false;
  std::string m_error;
};

}  // namespace platform

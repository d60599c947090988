// A file written in full before it takes the place of another.
//
// The bytes go to a temporary file beside the target (same folder, so the
// final move is a rename on one file system). Commit moves it onto the target
// in one step; until then the target keeps whatever it held, and a
// ReplacementFile that goes without Commit removes its temporary file. So a
// transfer that fails half-way leaves an earlier file intact and no partial
// file behind, and a reader never sees a half-written target.
//
// A transfer that may be taken up again by a later run writes instead into a
// partial file of the caller's naming (OpenPartial): it keeps what it held,
// is not removed when the process is ended by a signal or the object goes,
// and ends only by Commit or Discard.
//
// One object belongs to one thread at a time; different objects (even for the
// same target) may be used on different threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
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

  // Writes into `partial`, a file beside the target that outlives this
  // object, instead of a fresh temporary file: created when missing, what it
  // holds is kept and written after. A symbolic link there is refused.
  bool OpenPartial(const std::filesystem::path& partial);

  // Appends bytes; false when the disk refuses them (full, I/O error).
  bool Write(const char* data, std::size_t size);

  // The bytes the file holds (a partial file's earlier ones included).
  std::uint64_t Size() const { return m_size; }

  // Empties the file: writing starts again at its beginning.
  bool Truncate();

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

  // Drops what was written (a partial file too); the target stays as it was.
  void Discard();

  const std::filesystem::path& Target() const { return m_target; }
  const std::filesystem::path& TemporaryPath() const { return m_temporary; }
  // The last failure: the step and the system's reason ("create: No such file or directory").
  const std::string& Error() const { return m_error; }

 private:
  bool Fail(const char* step);
  // True when the file is open; else false, with Error() saying so for `step`.
  bool Opened(const char* step);

  std::filesystem::path m_target;
  std::filesystem::path m_temporary;
  int m_fd = -1;
  bool m_durable = false;
  std::uint64_t m_size = 0;
  // m_temporary is a partial file, kept unless committed or discarded.
  bool m_partial = false;
  std::string m_error;
};

}  // namespace platform

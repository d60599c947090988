// Each host's side of ReplacementFile (replacement_file.h): the system's
// steps on the file, which the flow shared by both systems
// (replacement_file.cpp) drives. The file is a C runtime descriptor on both.
// A step that fails leaves the system's reason for LastErrorText(). Only the
// platform layer calls these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/file_status_host.h"

namespace platform::host {

// Hidden and unmistakable, so that no folder listing of installers or
// catalogues takes it for a finished file: "." + the target's name +
// ".%08x.part" beside the target. Anything matching ^\..*\.[0-9a-f]{8}\.part$
// in a download folder is ours, and clean-up at start relies on exactly that
// shape. When the whole would be longer than a name may be, only the middle
// (the target's name) is shortened, never inside a character.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target, unsigned salt);

// Creates `path`, which must not exist yet, for writing: a clash with another
// process's temporary file is a failure, never a shared file. -1 on failure;
// NameWasTaken() then tells whether the name was the only trouble.
int CreateNewFile(const std::filesystem::path& path);
bool NameWasTaken();

// Opens `partial` for writing after what it holds, creating it when missing,
// and refusing a link or anything but a plain file: -1 on failure; `size`
// gets the bytes it holds.
int OpenForAppending(const std::filesystem::path& partial, std::uint64_t& size);

bool TruncateFile(int fd);
// Writes all of `data`; `written` grows by every part written, also when a
// later part fails.
bool WriteAll(int fd, const char* data, std::size_t size, std::uint64_t& written);
bool SetFilePermissions(int fd, unsigned permissions);
bool SyncFile(int fd);
// Renames `temporary` onto `target`, replacing it; with `durable` the rename
// itself is made durable.
bool ReplaceTarget(const std::filesystem::path& temporary, const std::filesystem::path& target,
                   bool durable);
// Removes the file, a read-only one too; what may fail is of no matter.
void RemoveFile(const std::filesystem::path& path);

// The reasons for a step asked of a file that is not open, and for a target
// that names a folder.
void SetNotOpenError();
void SetFolderError();
std::string LastErrorText();

}  // namespace platform::host

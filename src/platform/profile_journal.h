// Writing a shared profile file in place, and finishing such a write that a
// crash cut short.
//
// A profile file is normally replaced whole (a new file renamed over it). Two
// kinds of file must keep their inode instead: one with more than one hard
// link (a new file would leave the other names with the old contents), and
// one whose owner, group or extended attributes this process may not give to
// a new file (a new file would be ours, and the program that owns it, or a
// user its ACL lets in, could no longer write it).
// Those are overwritten in place, which a crash can leave half old, half new.
//
// So before touching the file, the old and the new contents go to a journal
// beside it (".<name>.journal", fsynced). After the file is overwritten,
// truncated and fsynced, the journal goes. A journal found later means a
// writer died part-way. Recovery rule: when every byte of the file is the old
// or the new byte at its position (what an interrupted overwrite leaves, even
// when the disk wrote its blocks out of order), the write is finished with the
// new contents; any other file was rewritten by someone since, and is left as
// it is. Either way nothing another program wrote is lost.
//
// Callers hold the file's flock: exclusive for writing and finishing, shared
// for reading. Any thread may call.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

std::filesystem::path ProfileJournalPath(const std::filesystem::path& file);

// The journal's first line, before the old and the new contents.
std::string ProfileJournalHeader(std::size_t oldSize, std::size_t newSize);

// Overwrites the open file fd (named file) with updated, journalled as above.
// On Linux, in a folder this process may not write, where no journal can be
// made (and none is there), the file is overwritten without one. False when the journal
// or the file can't be written; the file then holds old, or a state the next
// FinishInterruptedWrite completes.
bool WriteInPlace(int fd, const std::filesystem::path& file, std::string_view old,
                  std::string_view updated);

// What the file should hold when current is what an interrupted write left
// (see the recovery rule); nullopt when there is no journal, it is incomplete,
// or current is not such a leftover.
std::optional<std::string> InterruptedWriteResult(const std::filesystem::path& file,
                                                  std::string_view current);

// Under the exclusive lock: completes an interrupted write on fd and removes
// the journal. contents is the file's contents, updated when the write was
// completed. False when the completion could not be written.
bool FinishInterruptedWrite(int fd, const std::filesystem::path& file, std::string& contents);

}  // namespace platform

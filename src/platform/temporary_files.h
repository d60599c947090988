// The temporary files of ReplacementFile beyond one object's life: those still
// being written when the process is ended from outside, and those that an
// earlier process, ended before it could remove them, left behind.
//
// While a temporary file is being written its path is kept in a small table
// that a signal handler may read: RemoveLiveTemporaries() unlinks every path
// in it using only async-signal-safe calls, so that SIGTERM, SIGINT, SIGHUP
// or the loss of the X server never leaves a half-written installer behind.
//
// RememberTemporary and ForgetTemporary may be called from any thread;
// RemoveLiveTemporaries from any thread or signal handler; the others from
// the main thread at start.
//
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>

namespace platform {

// Records a temporary file that is being written. False when the table is
// full (more files at once than the updater ever writes); the file is then
// only removed by its owner.
bool RememberTemporary(const std::filesystem::path& path);
// The owner has renamed or removed it.
void ForgetTemporary(const std::filesystem::path& path);

// Unlinks every remembered temporary file. Async-signal-safe.
void RemoveLiveTemporaries();

// SIGTERM, SIGINT and SIGHUP remove the live temporaries, then end the
// process as the signal itself would have (so its parent sees which one).
void RemoveTemporariesOnTerminationSignals();

// Removes from `folder` (not its subfolders) every regular file whose name
// says it is a temporary file of ours (IsTemporaryName) and that has not been
// written for `unchangedFor`. Zero is only for a folder that no other running
// updater writes into. Returns how many went.
std::size_t RemoveStaleTemporaries(const std::filesystem::path& folder,
                                   std::chrono::seconds unchangedFor = std::chrono::seconds(0));

}  // namespace platform

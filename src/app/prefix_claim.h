// One updater per prefix, and the clean-up that only the prefix's one
// updater may do.
//
// Two updaters in one prefix would start every installer twice, and the
// second would truncate the first's log. So the first thing a run does is
// take the lock file "ostrel-update.lock" in the prefix folder (flock, see
// platform/instance_lock.h: it ends with the process, so a crash never
// leaves the prefix locked). A second copy, the library-check mode
// included, touches nothing: it says on stderr that an updater is already
// running, brings that updater's window to the front, and ends.
//
// Holding the lock, the run removes the temporary files that an earlier
// updater of this prefix left in the download folder "c:\temp" when it was
// killed (the only updater that could be writing there is this one). The
// network installers folder is not swept here: other machines and other
// prefixes share it, and their updaters may be writing there now (Network
// Download removes only temporaries that nobody has written for a day).
//
// Main thread, at start, before any window or thread exists.
#pragma once

#include <iosfwd>

#include "platform/instance_lock.h"

enum class PrefixClaim {
  kOurs,            // this run is the prefix's updater
  kAnotherUpdater,  // another updater runs in the prefix: end, touching nothing
  kUnlocked,        // no lock file could be made: go on, but clean nothing up
};

// Takes the prefix's lock into `lock`, which the caller keeps for the whole
// run. On kAnotherUpdater the user has been told on `err`.
PrefixClaim ClaimPrefix(platform::InstanceLock& lock, std::ostream& err);

// Removes stale temporary files from the download folder; only with kOurs.
void RemoveStaleDownloads();

// One updater per prefix and per C: drive, and the clean-up that only that
// one updater may do.
//
// Two updaters in one prefix would start every installer twice, and the
// second would truncate the first's log. So the first thing a run does is
// take the lock file "ostrel-update.lock" in the prefix folder (flock, see
// platform/instance_lock.h: it ends with the process, so a crash never
// leaves the prefix locked). Two prefixes may share one C: drive (a
// dosdevices/c: link into another prefix), and with it the download folder
// and the settings file: the run takes the same lock in that drive's folder
// too.
//
// Anything but holding both locks ends the run before it touches anything:
// - another updater holds one: a second copy, the library-check mode
//   included, says on stderr that an updater is already running, brings that
//   updater's window to the front, and ends;
// - a lock cannot be taken at all (a folder or a symbolic link in the lock
//   file's place, a prefix the user cannot write): the run refuses, saying
//   why, since it cannot make sure that it is alone.
//
// Holding the locks, the run removes what an earlier updater of this prefix
// left when it was killed: temporary downloads in "c:\temp" (the only updater
// that could be writing there is this one), the partial installers kept there
// for a later run that nobody has written for 7 days (catalogue/
// partial_download.h), and copies of the settings file in its folder that
// nobody has written for ten minutes (any process of the suite may be saving
// a setting). The network installers folder is not swept
// here: other machines and other prefixes share it, and their updaters may be
// writing there now (Network Download removes only temporaries that nobody
// has written for a day).
//
// Main thread, at start, before any window or thread exists.
#pragma once

#include <string>

#include "platform/instance_lock.h"

enum class PrefixClaim {
  kOurs,            // this run is the prefix's (and its C: drive's) updater
  kAnotherUpdater,  // another updater runs there: end, touching nothing
  kRefused,         // a lock cannot be taken: end, touching nothing
};

// The locks a run holds for its whole life.
struct PrefixLocks {
  platform::InstanceLock prefix;
  platform::InstanceLock driveC;
};

struct PrefixClaimResult {
  PrefixClaim claim = PrefixClaim::kRefused;
  // For the user when the claim is not kOurs: one or two sentences, host
  // paths in UTF-8.
  std::string message;
};

// Takes the prefix's lock and its C: drive's into `locks`, which the caller
// keeps for the whole run. With kAnotherUpdater the other updater's window
// has been brought forward, unless `bringForward` is false (a check on a
// schedule must not pull a window over the user's work).
PrefixClaimResult ClaimPrefix(PrefixLocks& locks, bool bringForward = true);

// Removes what killed runs left behind (see above); only with kOurs.
void RemoveLeftovers();

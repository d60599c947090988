// Where the updater keeps records of its own: the highest catalogue serial it
// accepted per brand and the like. Never the suite's shared settings file,
// which every suite program and any user of the prefix may rewrite.
//
// Linux: in $XDG_STATE_HOME/ostrel-update (when that is an absolute path),
// else ~/.local/state/ostrel-update (home as HomeFolder finds it), one file
// per prefix, named from the prefix's resolved path ("/home/anna/.wine" gives
// "home-anna-.wine.ini"; a '-', '%' or any byte but a letter, digit, '.' or
// '_' is written %XX, so no two prefixes share a name), so that one prefix's
// records never stand for another's. A prefix reached through a symbolic link
// has the records of the folder the link leads to.
//
// Windows: "ostrel-update-state.ini" in PrefixFolder() (%LOCALAPPDATA%\Ostrel
// of the user who runs it), where the one-updater lock lives too: the
// machine is the unit there.
//
// Safe on any thread.
#pragma once

#include <filesystem>
#include <optional>

namespace platform {

// nullopt without a home folder (the program then refuses to start).
std::optional<std::filesystem::path> UpdaterStateFile();

}  // namespace platform

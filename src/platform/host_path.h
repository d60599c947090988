// Where the suite's Windows paths live on this host.
//
// The system keeps its paths as Windows texts ("c:\temp\temp.xml",
// "\\server\share\installers") in Windows-1252, and maps them only when a file
// is touched:
//   x:\a\b      -> <prefix>/dosdevices/x:/a/b when that link exists,
//                  else <prefix>/drive_x/a/b
//   \\host\s\a  -> <prefix>/dosdevices/unc/host/s/a
//   \a\b        -> the C drive, as Windows reads a rooted path without drive
//   /a/b        -> unchanged (already a host path)
//   relative    -> relative to the current folder, backslashes made slashes
// Each component is converted to UTF-8, and a component that does not exist
// with its exact spelling is matched against the folder without regard to
// case, as Windows would find it. ".." never climbs above the drive or share.
//
// <prefix> is $OSTREL_PREFIX, else $WINEPREFIX, else ~/.wine, read on every
// call and made absolute. ~ is $HOME, else the home folder in the password
// database: never a shared folder such as /tmp, where another user could have
// planted a prefix of their own. Safe on any thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// $HOME when set to an absolute path, else this user's home in the password
// database; nullopt when there is none (the program then refuses to start).
std::optional<std::filesystem::path> HomeFolder();

// Without any home folder, a folder that nobody can create (/nonexistent/.wine).
std::filesystem::path PrefixFolder();

// Maps a Windows path; creates <prefix>/drive_c/windows when the prefix has no
// C drive yet, as a new Wine prefix would have.
std::filesystem::path HostPath(std::string_view windowsPath);

// The host path as a UTF-8 text, for messages to the host (never for the suite).
std::string HostPathText(std::string_view windowsPath);

// A path as the suite keeps a document's (Windows-1252), made full as the
// system's GetFullPathName makes it: a relative one joined to the current
// folder. On Linux a path with a drive, a UNC path or a host path is full
// already; a relative one becomes a host path.
std::string FullPathName(std::string_view path);

// The folder that the suite's C: drive is, every link resolved: two prefixes
// whose dosdevices/c: lead to one folder share their downloads and settings
// file, so one updater may run on it at a time. HostPath("c:\\") itself when
// it cannot be resolved. nullopt on Windows, where the drive is the machine's
// own and the one-updater lock already covers it.
std::optional<std::filesystem::path> DriveCFolder();

}  // namespace platform

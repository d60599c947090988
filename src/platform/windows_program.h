// Whether a Windows program can run on this machine, from its PE header and
// the Wine that is installed.
//
// A Windows program that Wine cannot run is not started at all: starting it
// would fail with nothing on screen (Wine only writes to its standard error),
// and the user would take the update for installed. The caller gets one plain
// sentence saying what to install instead. Any thread may call.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class WindowsMachine {
  NotWindows,  // no "MZ" at the start
  Amd64,       // PE, COFF machine 0x8664
  I386,        // PE, COFF machine 0x14c
  Other,       // "MZ" but no readable PE header, or another machine (ARM, DOS...)
};

// Reads the DOS header's e_lfanew, the "PE\0\0" signature there and the COFF
// machine field that follows it.
WindowsMachine MachineOfHeader(std::string_view firstBytes);
WindowsMachine MachineOf(const std::filesystem::path& program);

// Whether any of `probes`, the places where the part that runs 32-bit
// programs may be installed, holds it: a folder, or a file this process may
// run. For Wine these are Debian's wine32 loader (/usr/lib/wine/wine), or an
// i386-unix folder of Wine's own libraries (Debian multiarch, WineHQ's
// packages under /opt); the 64-bit wine alone ships i386-windows libraries,
// which are not enough.
bool HasPartFor32BitPrograms(const std::vector<std::filesystem::path>& probes);
// The same for the installation of `wine`, the program that will run it: the
// parts are looked for beside it (its folder's parent's lib/), both where
// PATH found it and where its links lead (/usr/bin/wine is a link into
// /etc/alternatives), so another Wine on the machine makes no difference.
bool WineInstallationRuns32BitPrograms(const std::filesystem::path& wine);

// Why `program` (the Windows path as the user knows it) can't be started
// here, as one sentence naming what to install; empty when it can.
// `wineFound` tells whether a wine program is on PATH.
std::string WhyWindowsProgramCannotRun(const std::string& program, WindowsMachine machine,
                                       bool wineFound, bool wine32);

}  // namespace platform

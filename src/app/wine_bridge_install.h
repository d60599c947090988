// `ostrel-update --install-bridge`, the Linux program's way into a suite that
// runs under Wine.
//
// The suite's programs, its start-up program and login scripts start
// "<install folder>\update.exe" ([paths] install, default c:\ostrel), and the
// firewall message names that file. On Linux the updater is a native program,
// so the package ships a small Windows program (src/wine_bridge) that starts
// it. This copies that program into the prefix as <install folder>\update.exe,
// with a trailer naming the native updater to start (bridge_text.h), and says
// where. A file already there is replaced only when it is such a copy (an
// older bridge, or one naming another updater): the suite's own programs and
// a Windows updater are never overwritten. The copy takes its place in one
// step, so a suite program starting it meanwhile finds the old one or the new.
//
// Main thread, before anything else runs; reads the environment's prefix and
// the settings file.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

struct WineBridgeFiles {
  std::filesystem::path bridgeProgram;  // the shipped update.exe
  std::filesystem::path nativeUpdater;  // the updater that the copy is to start
};

// The exit status: 0 when installed (said on `out`), 1 when refused or failed
// (said on `err`).
int InstallWineBridge(const WineBridgeFiles& files, std::ostream& out, std::ostream& err);

// The trailer for a copy that starts `nativeUpdater` (a UTF-8 host path);
// empty when no trailer can hold it (too long, or holding a zero byte).
std::string WineBridgeTrailer(std::string_view nativeUpdater);

// The keys of the option map that the command line fills (app/command_line.h)
// and start-up and the view read: the one place their spelling lives, since a
// key misspelt in a reader is silently an absent option.
#pragma once

namespace option {

// "/DLLCHECK": check the suite's libraries at start-up, offer the update
// that brings missing ones, and close after its installer has started.
inline constexpr char kLibraryCheck[] = "DLLCHECK";
// "/ALL": install every catalogue item once the catalogue is loaded.
inline constexpr char kInstallAll[] = "ALL";
// "/RUN": install from the network installers folder once loaded.
inline constexpr char kNetworkRun[] = "RUN";
// The update to preselect: "/SEL:name" upper-cased, or "dll" set by the
// library check.
inline constexpr char kSelection[] = "sel";
// "/S name": the skin, in the case given.
inline constexpr char kSkin[] = "S";

}  // namespace option

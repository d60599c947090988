// The application's start-up decisions, taken before any window exists:
// the settings file is named, the command line read into the options, a skin
// applied, and in the library-check mode the supporting libraries checked.
//
// Plain logic over the process's command line (app/application.h) and the
// Desktop; the framework's own initialisation, the skin and the library check
// come in as callables, so that the decisions are testable without a window.
// UI thread, once, before the main window is created.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct StartupServices {
  // The framework's initialisation; runs once the settings file is named and
  // before anything is logged or parsed.
  std::function<void()> initialiseFramework;
  // Makes a skin the active one (the value of "S", case as given).
  std::function<void(const std::string& skin)> setSkin;
  // True when every supporting library is present and up to date.
  std::function<bool()> checkDlls;
  // False when no window can be opened (no display): the library check still
  // runs, and only a failed one needs the window.
  bool hasDisplay = true;
};

// The real skin and library check; no framework initialisation.
StartupServices DefaultStartupServices();

enum class StartupOutcome {
  // Go on: create the document, the main window and the view.
  kCreateMainWindow,
  // The library-check mode found every library in order: end silently.
  kLibrariesInOrder,
  // The library-check mode found a library missing, and without a display
  // its update cannot be installed: the user has been told on stderr.
  kLibraryUpdateNeedsDisplay,
};

// Exit statuses of a start-up that ends without a window.
inline constexpr int kExitLibrariesInOrder = 0;
inline constexpr int kExitStartupFailed = 1;
inline constexpr int kExitAlreadyRunning = 1;
// A lock that cannot be taken, an unusable catalogue URL variable.
inline constexpr int kExitRefused = 1;

inline constexpr const char* kLibrariesMissingMessage =
    "The supporting libraries on this machine are missing or out of date and will now be "
    "downloaded and installed for you.";

inline constexpr const char* kLibraryUpdateNeedsDisplayMessage =
    "The supporting libraries on this machine are missing or out of date; a display is needed "
    "to install their update.";

// `arguments` excludes the program name. Fills TheCommandLine(); when the
// libraries are missing, tells the user and sets "sel" to "dll".
StartupOutcome PrepareStartup(const std::vector<std::string>& arguments,
                              const StartupServices& services);

// Whether the arguments choose the library-check mode ("DLLCHECK").
bool AsksForLibraryCheck(const std::vector<std::string>& arguments);

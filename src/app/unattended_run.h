// The runs that need no window: `--check` (which updates are pending, for a
// script or a schedule, and with `--notify` a desktop notification) and
// `--install-pending` (the pending updates, or with `--all` every one,
// installed without anyone at the machine).
//
// They load and judge the catalogue exactly as the window's start-up does
// (brand, filter, signature, bounds: CUpdateDoc::LoadCatalogue) and install
// through Install All's own path (CUpdateDoc::InstallAll), so every rule of
// the window holds here too; only the desktop differs: message boxes become
// lines on stderr, the frame's message line goes to stdout, and the posted
// commands are handled by a loop of this run's own.
//
// Exit statuses: see the constants below. The main thread, once, after the
// prefix has been claimed and HTTP initialised; before any window exists.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct UnattendedRequest {
  enum class Mode { kCheck, kInstallPending };
  Mode mode = Mode::kCheck;
  bool json = false;    // --check: one JSON document on stdout
  bool notify = false;  // --check: a desktop notification when some are pending
  bool all = false;     // --install-pending: every item, pending or not
};

// nullopt when the arguments ask for neither run. A combination that makes
// no sense (--json without --check, ...) is a request with `problem` set.
struct UnattendedParse {
  std::optional<UnattendedRequest> request;
  std::string problem;
};
UnattendedParse ReadUnattendedRequest(const std::vector<std::string>& arguments);

inline constexpr int kExitNothingPending = 0;
inline constexpr int kExitSomePending = 100;
inline constexpr int kExitCheckFailed = 1;
inline constexpr int kExitInstalled = 0;
inline constexpr int kExitInstalledRestartNeeded = 3010;
inline constexpr int kExitInstallFailed = 1;
inline constexpr int kExitUsage = 2;

// The version of the JSON document that `--check --json` prints.
inline constexpr int kCheckJsonVersion = 1;

struct UnattendedServices {
  // Shows the notification (UTF-8 texts) and returns once it is done with:
  // true when the user chose to open the updater. Absent: nothing is shown.
  std::function<bool(const std::string& title, const std::string& text, std::string& problem)>
      notify;
  // Opens the updater's window in a process of its own.
  std::function<void()> openUpdater;
};

// "3 updates for Ostrel Accounts are ready to install", for the active brand.
std::string PendingNotificationText(std::size_t count);

// `arguments` exclude the program name, in Windows-1252; `out` and `err`
// receive UTF-8.
int RunUnattended(const UnattendedRequest& request, const std::vector<std::string>& arguments,
                  const UnattendedServices& services, std::ostream& out, std::ostream& err);

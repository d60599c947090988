// The updater's entry point.
#include <wx/app.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/console_options.h"
#include "app/gui/host_process.h"
#include "app/gui/toolkit_start.h"
#include "app/gui/toolkit_suppressions.h"
#include "app/gui/update_app.h"
#include "app/prefix_claim.h"
#include "app/startup.h"
#include "app/unattended_run.h"
#ifndef _WIN32
#include "app/wine_bridge_install.h"
#endif
#include "catalogue/server_urls.h"
#include "platform/codepage.h"
#include "platform/desktop_notification.h"
#include "platform/desktop_session.h"
#include "platform/host_path.h"
#include "platform/http.h"
#include "platform/temporary_files.h"
#include "support/startup_trace.h"

wxIMPLEMENT_APP_NO_MAIN(CUpdateApp);

// Read by the thread checker of sanitizer builds; unused otherwise.
extern "C" const char* __tsan_default_suppressions() {
  return kToolkitThreadSuppressions;
}

namespace {

// Says why the run ends before it has touched anything: on stderr, and in a
// message box where a display allows one (a login script's library check
// has none, and its stderr is what is read).
int RefuseToStart(int argc, char** argv, const std::string& message) {
  std::cerr << message << std::endl;
  if (platform::DisplayAvailable()) {
    SetStartupRefusal(platform::Utf8ToCp1252(message));
    wxEntry(argc, argv);
  }
  return kExitRefused;
}

// The library-check mode from a login script or over ssh: the check needs no
// window, so it runs before the toolkit, which cannot start without a
// display. The exit status when it ends the run here.
std::optional<int> CheckLibrariesWithoutDisplay(const std::vector<std::string>& utf8Arguments) {
  if (!AsksForLibraryCheck(utf8Arguments) || platform::DisplayAvailable())
    return std::nullopt;
  std::vector<std::string> arguments;
  for (const std::string& argument : utf8Arguments)
    arguments.push_back(platform::Utf8ToCp1252(argument));
  StartupServices services = DefaultStartupServices();
  services.hasDisplay = false;
  if (PrepareStartup(arguments, services) == StartupOutcome::kLibrariesInOrder)
    return kExitLibrariesInOrder;
  return kExitStartupFailed;
}

// How long a notification waits for the user before it is withdrawn: a
// working day, so that the next day's check finds the machine free again.
constexpr std::chrono::hours kNotificationPatience(8);

// --check and --install-pending: no toolkit, no display. The window that a
// notification opens starts once this run has let go of the prefix.
int RunWithoutWindow(const UnattendedRequest& request,
                     const std::vector<std::string>& utf8Arguments) {
  bool openWindow = false;
  {
    PrefixLocks locks;
    const PrefixClaimResult claim = ClaimPrefix(locks, /*bringForward=*/false);
    if (claim.claim != PrefixClaim::kOurs) {
      std::cerr << claim.message << std::endl;
      return request.mode == UnattendedRequest::Mode::kCheck ? kExitCheckFailed
                                                             : kExitInstallFailed;
    }
    platform::RemoveTemporariesOnTerminationSignals();
    RemoveLeftovers();
    platform::InitialiseHttp();
    std::vector<std::string> arguments;
    for (const std::string& argument : utf8Arguments)
      arguments.push_back(platform::Utf8ToCp1252(argument));
    UnattendedServices services;
    services.notify = [](const std::string& title, const std::string& text, std::string& problem) {
      return platform::ShowDesktopNotification(title, text, kNotificationPatience, problem);
    };
    services.openUpdater = [&openWindow] { openWindow = true; };
    const int status = RunUnattended(request, arguments, services, std::cout, std::cerr);
    if (!openWindow)
      return status;
  }
  if (!platform::StartUpdaterWindow())
    std::cerr << "ostrel-update: the updater's window could not be opened" << std::endl;
  return kExitSomePending;
}

#ifndef _WIN32
// The installed update.exe beside this program's own folder, as the install
// lays them out.
int InstallBridge() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    std::cerr << "ostrel-update: this program's own path cannot be read: " << ec.message() << "\n";
    return 1;
  }
  const WineBridgeFiles files{
      (self.parent_path() / OSTREL_WINE_BRIDGE_FROM_BINDIR).lexically_normal(), self};
  return InstallWineBridge(files, std::cout, std::cerr);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  TraceStartup("main");
  WriteToStartingConsole();
  const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
  // Answered before the toolkit starts, so that they need no display.
#ifdef _WIN32
  const std::function<int()> installBridge;
#else
  const std::function<int()> installBridge = InstallBridge;
#endif
  if (const auto answered = AnswerConsoleOption(arguments, std::cout, installBridge))
    return *answered;
  const UnattendedParse unattended = ReadUnattendedRequest(arguments);
  if (!unattended.problem.empty()) {
    std::cerr << "ostrel-update: " << unattended.problem << " (see ostrel-update --help)"
              << std::endl;
    return kExitUsage;
  }
  // Without a home the prefix would have to be a folder other users can reach.
  if (!platform::HomeFolder()) {
#ifdef _WIN32
    std::fputs("ostrel-update: no profile folder (USERPROFILE is unset and Windows names none)\n",
               stderr);
#else
    std::fputs("ostrel-update: no home folder (HOME is unset and the password database has none)\n",
               stderr);
#endif
    return 1;
  }
  // A mistyped server must not pass for the update server; nothing is
  // touched yet.
  if (const std::string problem = CatalogueUrlProblem(); !problem.empty()) {
    if (unattended.request) {
      std::cerr << "ostrel-update will not start: " << problem << std::endl;
      return kExitRefused;
    }
    return RefuseToStart(argc, argv, "ostrel-update will not start: " + problem);
  }
  if (unattended.request)
    return RunWithoutWindow(*unattended.request, arguments);
  PrefixLocks locks;
  const PrefixClaimResult claim = ClaimPrefix(locks);
  if (claim.claim == PrefixClaim::kAnotherUpdater) {
    // Its window has come to the front: that says enough to the user.
    std::cerr << claim.message << std::endl;
    return kExitAlreadyRunning;
  }
  if (claim.claim == PrefixClaim::kRefused)
    return RefuseToStart(argc, argv, claim.message);
  platform::RemoveTemporariesOnTerminationSignals();
  RemoveLeftovers();
  // Before any thread starts: the download worker relies on it.
  platform::InitialiseHttp();
  TraceStartup("prefix claimed, HTTP ready");
  if (const auto ended = CheckLibrariesWithoutDisplay(arguments))
    return *ended;
  SetProcessArguments(arguments);
  ToolkitStarting();
  int exitCode = wxEntry(argc, argv);
  // A start-up that ended without a window has said how it ended; the
  // framework itself failing to start (no display) is a failure too.
  if (const auto startup = EndedStartupExitCode())
    exitCode = *startup;
  else if (exitCode != 0)
    exitCode = kExitStartupFailed;
  return exitCode;
}

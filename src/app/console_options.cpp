#include "app/console_options.h"

namespace {

// The README's options table, kept in step with it.
constexpr const char* kHelp =
    "Usage: ostrel-update [OPTION]...\n"
    "Downloads and installs updates for the Ostrel accounting, payroll and tax programs.\n"
    "\n"
    "Options may start with / or - and are not case-sensitive:\n"
    "  /S name     use the brand name (for example gresmo, Lumbry, Corbain); it is\n"
    "              remembered in the settings file\n"
    "  /SEL:name   select the update whose information file is name.txt\n"
    "  /DLLCHECK   check the supporting libraries listed in c:\\ostrel\\dllversion.txt:\n"
    "              end at once (exit status 0) when they are all present and new\n"
    "              enough, otherwise say so, install the libraries' update and close\n"
    "  /ALL        perform Install All at start\n"
    "  /RUN        install everything from the network installers folder at start\n"
    "  --check     list the pending updates without a window; exit status 0 when\n"
    "              none is pending, 100 when some are, 1 when the catalogue could\n"
    "              not be had or was refused\n"
    "  --check --json\n"
    "              the same as one JSON document (see ostrel-update(1))\n"
    "  --check --notify\n"
    "              the same, and a desktop notification when some are pending\n"
    "              (what the daily check runs; [update] schedule=0 turns it off)\n"
    "  --install-pending [--all]\n"
    "              install the pending updates (with --all, every update) without\n"
    "              a window; exit status 0 when every installer ended with 0, 3010\n"
    "              when a restart will finish the update, 1 otherwise\n"
    "  --help      print this help and exit\n"
    "  --version   print the version and exit\n";

constexpr const char* kBridgeHelp =
    "  --install-bridge\n"
    "              put update.exe into the suite's install folder in the prefix, so\n"
    "              that the suite, running under Wine, starts this updater\n";

constexpr const char* kEnvironmentHelp =
    "\n"
    "Environment: OSTREL_PREFIX (else WINEPREFIX, else ~/.wine) names the prefix\n"
    "that holds the suite; OSTREL_CATALOGUE_URL the update server. See ostrel-update(1).\n";

// An answer that could not be written (a closed or full terminal) is a
// failure, not silence reported as success.
int Finished(std::ostream& out) {
  out.flush();
  return out ? 0 : 1;
}

}  // namespace

std::optional<int> AnswerConsoleOption(const std::vector<std::string>& arguments, std::ostream& out,
                                       const std::function<int()>& installBridge) {
  for (const std::string& argument : arguments) {
    if (argument == "--version") {
      out << "ostrel-update " << OSTREL_VERSION << '\n';
      return Finished(out);
    }
    if (argument == "--help") {
      out << kHelp << (installBridge ? kBridgeHelp : "") << kEnvironmentHelp;
      return Finished(out);
    }
    if (argument == "--install-bridge" && installBridge) {
      const int status = installBridge();
      return Finished(out) == 0 ? status : 1;
    }
  }
  return std::nullopt;
}

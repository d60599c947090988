#include "app/startup.h"

#include <cstdio>

#include "app/application.h"
#include "app/option_keys.h"
#include "brand/skin.h"
#include "libcheck/check_dlls.h"
#include "support/desktop.h"
#include "support/log.h"
#include "support/settings.h"

StartupServices DefaultStartupServices() {
  StartupServices services;
  services.setSkin = [](const std::string& skin) { SetSkin(skin); };
  services.checkDlls = [] { return CheckDlls(); };
  return services;
}

StartupOutcome PrepareStartup(const std::vector<std::string>& arguments,
                              const StartupServices& services) {
  SetProfileName("ostrel.ini");
  if (services.initialiseFramework)
    services.initialiseFramework();

  Log("parsing command line");
  ParseCommandLine(arguments, TheCommandLine());
  OptionMap& options = TheOptions();

  const std::string skin = options.Get(option::kSkin);
  if (!skin.empty() && services.setSkin)
    services.setSkin(skin);

  if (!options.Get(option::kLibraryCheck).empty()) {
    Log("about to CheckDlls()");
    if (services.checkDlls && services.checkDlls())
      return StartupOutcome::kLibrariesInOrder;
    if (!services.hasDisplay) {
      Log("%s", kLibraryUpdateNeedsDisplayMessage);
      std::fprintf(stderr, "%s\n", kLibraryUpdateNeedsDisplayMessage);
      return StartupOutcome::kLibraryUpdateNeedsDisplay;
    }
    TheDesktop().MessageBox(kLibrariesMissingMessage);
    options[option::kSelection] = "dll";
  }

  Log("process shell command");
  return StartupOutcome::kCreateMainWindow;
}

bool AsksForLibraryCheck(const std::vector<std::string>& arguments) {
  CUpdateCommandLineInfo scratch;
  ParseCommandLine(arguments, scratch);
  return !scratch.m_Options.Get(option::kLibraryCheck).empty();
}

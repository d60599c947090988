// The updater's entry point.
#include <wx/app.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/gui/toolkit_suppressions.h"
#include "app/gui/update_app.h"
#include "app/startup.h"
#include "platform/host_path.h"
#include "platform/http.h"

wxIMPLEMENT_APP_NO_MAIN(CUpdateApp);

// Read by the thread checker of sanitizer builds; unused otherwise.
extern "C" const char* __tsan_default_suppressions() {
  return kToolkitThreadSuppressions;
}

int main(int argc, char** argv) {
  // Without a home the prefix would have to be a folder other users can reach.
  if (!platform::HomeFolder()) {
    std::fputs("ostrel-update: no home folder (HOME is unset and the password database has none)\n",
               stderr);
    return 1;
  }
  // Before any thread starts: the download worker relies on it.
  platform::InitialiseHttp();
  SetProcessArguments(std::vector<std::string>(argv + 1, argv + argc));
  int exitCode = wxEntry(argc, argv);
  // A start-up that ended without a window has said how it ended; the
  // framework itself failing to start (no display) is a failure too.
  if (const auto startup = EndedStartupExitCode())
    exitCode = *startup;
  else if (exitCode != 0)
    exitCode = kExitStartupFailed;
  return exitCode;
}

// The updater's entry point.
#include <curl/curl.h>
#include <wx/app.h>
#include <string>
#include <vector>

#include "app/gui/update_app.h"
#include "app/startup.h"

wxIMPLEMENT_APP_NO_MAIN(CUpdateApp);

int main(int argc, char** argv) {
  // Before any thread exists, as libcurl requires.
  curl_global_init(CURL_GLOBAL_DEFAULT);
  SetProcessArguments(std::vector<std::string>(argv + 1, argv + argc));
  int exitCode = wxEntry(argc, argv);
  // A start-up that ended without a window has said how it ended; the
  // framework itself failing to start (no display) is a failure too.
  if (const auto startup = EndedStartupExitCode())
    exitCode = *startup;
  else if (exitCode != 0)
    exitCode = kExitStartupFailed;
  curl_global_cleanup();
  return exitCode;
}

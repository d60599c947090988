// The updater's entry point.
#include <wx/app.h>
#include <iostream>
#include <string>
#include <vector>

#include "app/console_options.h"
#include "app/gui/toolkit_suppressions.h"
#include "app/gui/update_app.h"
#include "app/startup.h"
#include "platform/http.h"

wxIMPLEMENT_APP_NO_MAIN(CUpdateApp);

// Read by the thread checker of sanitizer builds; unused otherwise.
extern "C" const char* __tsan_default_suppressions() {
  return kToolkitThreadSuppressions;
}

int main(int argc, char** argv) {
  // Answered before the toolkit starts, so that they need no display.
  if (const auto answered = AnswerConsoleOption({argv + 1, argv + argc}, std::cout))
    return *answered;
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

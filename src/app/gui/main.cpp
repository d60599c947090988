// Start-up without a window yet: names the settings file, logs, parses.
#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/http.h"
#include "support/log.h"
#include "support/settings.h"

int main(int argc, char** argv) {
  // Before any thread starts: the download worker relies on it.
  platform::InitialiseHttp();
  SetProfileName("ostrel.ini");
  Log("parsing command line");
  CUpdateCommandLineInfo commandLine;
  ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), commandLine);
  return 0;
}

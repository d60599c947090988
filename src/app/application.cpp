#include "app/application.h"

namespace {
CUpdateCommandLineInfo g_commandLine;
}

CUpdateCommandLineInfo& TheCommandLine() {
  return g_commandLine;
}

void ResetCommandLine() {
  g_commandLine = CUpdateCommandLineInfo();
}

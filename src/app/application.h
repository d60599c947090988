// The process's one command line and its options.
//
// The start-up fills it before the main window exists; every reader (the
// start-up, the update view, the application) consults it afterwards, on the UI
// thread only.
#pragma once

#include "app/command_line.h"

CUpdateCommandLineInfo& TheCommandLine();
inline OptionMap& TheOptions() {
  return TheCommandLine().m_Options;
}

// Starts a fresh command line, as a new process would have. For tests.
void ResetCommandLine();

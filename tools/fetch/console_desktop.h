// The desktop of ostrel-fetch: a terminal instead of windows.
//
// Message boxes become lines on standard error, "message: " and the text.
// The credential prompt asks on the terminal (the password without echo), or,
// when standard input is not a terminal, takes the user name and the password
// from its next two lines, so that a script can answer it; an empty user name
// or the end of input cancels. Everything else is of no use without windows
// and is ignored. Main thread only.
#pragma once

#include "support/desktop.h"

class FetchConsoleDesktop final : public ConsoleDesktop {
 public:
  void MessageBox(const std::string& text) override;
  std::optional<Credentials> AskCredentials(const std::string& site) override;
};

// ostrel-fetch SOURCE TARGET: one transfer exactly as the updater makes it,
// for administrators who want to know whether this machine reaches the update
// server (proxy settings, passwords, firewalls).
//
// SOURCE is an http(s) URL or "file::" and a path; TARGET a Windows path
// (mapped into the suite's prefix) or a host path. Exit status 0 when the
// file arrived whole, 1 when the transfer failed, 2 for a wrong command line.
// The log goes where the updater's goes (log.txt in the working folder).
#include <cstdio>
#include <cstring>
#include <string>

#include "catalogue/transfer_file.h"
#include "console_desktop.h"
#include "platform/codepage.h"
#include "platform/http.h"
#include "support/settings.h"

namespace {

constexpr char kUsage[] =
    "usage: ostrel-fetch SOURCE TARGET\n"
    "\n"
    "Fetches SOURCE (an http or https URL, or file:: and a path) into TARGET\n"
    "(a Windows path such as c:\\temp\\download.xml, or a host path) the way\n"
    "the updater does: same request headers, proxies from the environment\n"
    "(http_proxy, https_proxy, no_proxy), one password prompt on 401, and a\n"
    "transfer that ends early asked again from where it ended, up to five\n"
    "more times (waits of 1, 2, 4, 8, 16 s).\n"
    "Messages the updater would show appear on standard error as\n"
    "\"message: ...\". When standard input is not a terminal, a password\n"
    "prompt reads the user name and the password from its next two lines.\n"
    "\n"
    "Exit status: 0 the file arrived whole, 1 the transfer failed.\n"
    "Environment: OSTREL_PREFIX (the suite's prefix), OSTREL_CONNECT_TIMEOUT\n"
    "and OSTREL_LOW_SPEED_TIME (seconds).\n";

// Host paths pass as they are; everything else is a text of the suite, which
// is Windows-1252 inside the system.
std::string SuiteText(const char* argument) {
  if (argument[0] == '/' || std::strncmp(argument, "file::/", 7) == 0)
    return argument;
  return platform::Utf8ToCp1252(argument);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc != 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  platform::InitialiseHttp();
  SetProfileName("ostrel.ini");
  FetchConsoleDesktop console;
  SetDesktop(&console);
  // As the updater fetches an installer, but keeping nothing for a later run:
  // no updater's lock guards the folder this writes into.
  TransferBounds bounds;
  bounds.resumption = Resumption::kWithinRun;
  const bool whole = TransferFile(SuiteText(argv[1]), SuiteText(argv[2]), nullptr, nullptr, bounds);
  SetDesktop(nullptr);
  return whole ? 0 : 1;
}

// What the Windows parts of the testkit share: UTF-8 texts to and from the
// system's UTF-16, a command line quoted as programs split it again, the
// Unix path under Wine of a Windows one, and starting a Unix program from
// under Wine. Any thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);

// `arguments` joined into one command line that CommandLineToArgvW (and Wine,
// for a Unix program) splits back into the same arguments.
std::wstring CommandLine(const std::vector<std::wstring>& arguments);

// Where Wine keeps `path` on the Unix side; throws when not under Wine.
std::string UnixPathUnderWine(const std::filesystem::path& path);

// Starts the Unix program `arguments[0]` with the rest of `arguments`. Wine
// starts it as it would a Windows program, but with no handle to wait on or
// end, so the program itself must tell (through a file) when it has stopped.
// With `outputToTestErrors` its output goes to the test's standard error, else
// to where Wine puts it. Throws naming `what` when it cannot be started.
void StartUnixProgram(const std::vector<std::string>& arguments, bool outputToTestErrors,
                      const std::string& what);

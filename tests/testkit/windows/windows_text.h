// What the Windows parts of the testkit share: UTF-8 texts to and from the
// system's UTF-16, a command line quoted as programs split it again, and the
// Unix path under Wine of a Windows one. Any thread.
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

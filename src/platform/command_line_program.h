// Reading a Windows command line as WinExec reads it, shared by both builds'
// program starts: the program is the quoted first part, or else the longest
// leading part that names an existing file, so that
// "c:\Program Files\x\setup.exe /S" names setup.exe and never "c:\Program".
// Any thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct ProgramAndRest {
  std::filesystem::path program;  // the host path of an existing regular file
  std::string_view rest;          // what follows it, the arguments
  std::string_view named;         // the program as the line names it, without quotes
};

// nullopt when no leading part names an existing file.
std::optional<ProgramAndRest> FindProgram(std::string_view commandLine);

// The arguments split at blanks and tabs, each turned into UTF-8.
std::vector<std::string> SplitAtBlanks(std::string_view text);

}  // namespace platform

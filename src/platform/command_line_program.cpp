#include "platform/command_line_program.h"

#include "platform/codepage.h"
#include "platform/host_path.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

bool IsRegularFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

}  // namespace

std::vector<std::string> SplitAtBlanks(std::string_view text) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!current.empty())
        parts.push_back(Cp1252ToUtf8(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty())
    parts.push_back(Cp1252ToUtf8(current));
  return parts;
}

std::optional<ProgramAndRest> FindProgram(std::string_view commandLine) {
  while (!commandLine.empty() && (commandLine.front() == ' ' || commandLine.front() == '\t')) {
    commandLine.remove_prefix(1);
  }
  if (commandLine.empty())
    return std::nullopt;
  if (commandLine.front() == '"') {
    const std::size_t close = commandLine.find('"', 1);
    const std::string_view quoted =
        commandLine.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    const fs::path program = HostPath(quoted);
    if (!IsRegularFile(program))
      return std::nullopt;
    return ProgramAndRest{
        program,
        close == std::string_view::npos ? std::string_view() : commandLine.substr(close + 1),
        quoted};
  }
  // Longest leading part first: every blank is a place where the name may end.
  for (std::size_t end = commandLine.size();;) {
    const std::string_view candidate = commandLine.substr(0, end);
    if (!candidate.empty() && candidate.back() != ' ') {
      const fs::path program = HostPath(candidate);
      if (IsRegularFile(program))
        return ProgramAndRest{program, commandLine.substr(end), candidate};
    }
    const std::size_t blank = end == 0 ? std::string_view::npos : commandLine.rfind(' ', end - 1);
    if (blank == std::string_view::npos)
      return std::nullopt;
    end = blank;
  }
}

}  // namespace platform

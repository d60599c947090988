#include "platform/program_start.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/codepage.h"
#include "platform/command_line_program.h"
#include "platform/host_path.h"
#include "platform/windows_program.h"

extern char** environ;

namespace fs = std::filesystem;

namespace platform {
namespace {

std::string FirstBytes(const fs::path& path, std::size_t count) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(count, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

std::optional<std::string> FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!folders.empty()) {
    const std::size_t colon = folders.find(':');
    const std::string_view folder = folders.substr(0, colon);
    if (!folder.empty()) {
      const fs::path candidate = fs::path(std::string(folder)) / name;
      std::error_code ec;
      if (access(candidate.c_str(), X_OK) == 0 && fs::is_regular_file(candidate, ec))
        return candidate.string();
    }
    if (colon == std::string_view::npos)
      break;
    folders.remove_prefix(colon + 1);
  }
  return std::nullopt;
}

// The interpreter line of a script: "#!/bin/sh -e" gives {"/bin/sh", "-e"}.
std::vector<std::string> InterpreterOf(const fs::path& script) {
  std::string line = FirstBytes(script, 256);
  line = line.substr(
      2, line.find('\n') == std::string::npos ? std::string::npos : line.find('\n') - 2);
  if (!line.empty() && line.back() == '\r')
    line.pop_back();
  std::vector<std::string> words;
  std::size_t pos = line.find_first_not_of(" \t");
  if (pos == std::string::npos)
    return words;
  const std::size_t end = line.find_first_of(" \t", pos);
  words.push_back(line.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
  if (end != std::string::npos) {
    const std::size_t argument = line.find_first_not_of(" \t", end);
    if (argument != std::string::npos) {
      std::string rest = line.substr(argument);
      while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t'))
        rest.pop_back();
      words.push_back(rest);
    }
  }
  return words;
}

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (const auto& text : texts)
    pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

std::optional<pid_t> Spawn(const std::vector<std::string>& argv) {
  const std::vector<char*> pointers = Pointers(argv);
  const std::vector<std::string> environment = ChildEnvironment();
  const std::vector<char*> environmentPointers = Pointers(environment);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t pid = 0;
  const int result = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(),
                                 environmentPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0)
    return std::nullopt;
  return pid;
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR)
      return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> environment;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    if (std::string_view(*entry).rfind("WINEPREFIX=", 0) != 0)
      environment.emplace_back(*entry);
  }
  std::error_code ec;
  fs::path prefix = fs::absolute(PrefixFolder(), ec);
  const fs::path canonical = fs::weakly_canonical(prefix, ec);
  if (!ec)
    prefix = canonical;
  environment.push_back("WINEPREFIX=" + prefix.lexically_normal().string());
  return environment;
}

std::optional<ResolvedCommand> ResolveCommandLine(std::string_view windowsCommandLine,
                                                  std::string* refusal) {
  const auto found = FindProgram(windowsCommandLine);
  if (!found)
    return std::nullopt;
  ResolvedCommand command;
  const std::string program = found->program.string();
  const std::string head = FirstBytes(found->program, 2);
  if (head == "#!") {
    command.argv = InterpreterOf(found->program);
    if (command.argv.empty())
      return std::nullopt;
    command.argv.push_back(program);
  } else if (head == "MZ") {
    const auto wine = FindOnPath("wine");
    const WindowsMachine machine = MachineOf(found->program);
    const std::string why =
        WhyWindowsProgramCannotRun(std::string(found->named), machine, wine.has_value(),
                                   machine == WindowsMachine::I386 && wine &&
                                       WineInstallationRuns32BitPrograms(fs::path(*wine)));
    if (!why.empty()) {
      if (refusal != nullptr)
        *refusal = why;
      return std::nullopt;
    }
    command.argv = {*wine, program};
  } else {
    if (access(found->program.c_str(), X_OK) != 0)
      return std::nullopt;
    command.argv = {program};
  }
  for (auto& argument : SplitAtBlanks(found->rest))
    command.argv.push_back(std::move(argument));
  return command;
}

namespace {

std::optional<pid_t> SpawnCommandLine(std::string_view windowsCommandLine, std::string* refusal) {
  const auto command = ResolveCommandLine(windowsCommandLine, refusal);
  if (!command)
    return std::nullopt;
  return Spawn(command->argv);
}

}  // namespace

bool StartProgram(std::string_view windowsCommandLine, std::string* refusal) {
  const auto pid = SpawnCommandLine(windowsCommandLine, refusal);
  if (!pid)
    return false;
  // Nobody waits for the installer, but it must not linger as a zombie.
  std::thread([child = *pid] { WaitFor(child); }).detach();
  return true;
}

bool RunProgramAndWait(std::string_view windowsCommandLine, int* exitCode, std::string* refusal) {
  const auto pid = SpawnCommandLine(windowsCommandLine, refusal);
  if (!pid)
    return false;
  const int status = WaitFor(*pid);
  if (exitCode != nullptr)
    *exitCode = status;
  return true;
}

std::unique_ptr<WatchedProgram> WatchedProgram::Start(std::string_view windowsCommandLine,
                                                      std::function<void()> onEnd,
                                                      std::string* refusal, HandleInheritance) {
  const auto pid = SpawnCommandLine(windowsCommandLine, refusal);
  if (!pid)
    return nullptr;
  return Watch([child = *pid] { return WaitFor(child); }, std::move(onEnd));
}

// A Linux process's exit status holds 8 bits, and Wine ends the process with
// the low 8 bits of the Windows program's exit code, so 3010 and 1641 arrive
// as 194 and 105; a native script cannot say more either. Those two are read
// as the codes they stand for; every other status is as it came.
int WindowsExitStatus(int status) {
  if (status == (3010 & 0xff))
    return 3010;
  if (status == (1641 & 0xff))
    return 1641;
  return status;
}

}  // namespace platform

// Starting real programs from Windows command lines.
#include "platform/program_start.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/windows_program.h"
#include "testkit/host.h"
#include "testkit/temp_prefix.h"
#include "testkit/wait_until.h"

namespace fs = std::filesystem;
using platform::ResolveCommandLine;
using platform::RunProgramAndWait;
using platform::StartProgram;

namespace {

// A script that records its arguments and working folder, one per line.
const char* kRecorder =
    "#!/bin/sh\n"
    "out=\"$(dirname \"$0\")/record.txt\"\n"
    "{ echo \"args:$*\"; echo \"cwd:$(pwd)\"; } >> \"$out\"\n"
    "exit 7\n";

// The smallest header that names a Windows program for `machine`.
std::string PeProgram(std::uint16_t machine) {
  std::string bytes(0x40, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  bytes[0x3c] = 0x40;
  bytes += std::string("PE\0\0", 4);
  bytes += static_cast<char>(machine & 0xff);
  bytes += static_cast<char>(machine >> 8);
  return bytes;
}

// Any child of this process, running or ended but not reaped.
bool HasChildren() {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line))
      continue;
    const auto close = line.rfind(')');
    if (close == std::string::npos || close + 4 > line.size())
      continue;
    if (std::atoi(line.c_str() + close + 4) == getpid())
      return true;
  }
  return false;
}

}  // namespace

TEST(ProgramStart, TheLongestExistingLeadingPartIsTheProgramAndTheRestItsArguments) {
  TempPrefix prefix;
  prefix.WriteFile("c:\\Program Files\\Ostrel\\setup.exe", kRecorder);
  prefix.WriteFile("c:\\Program", "#!/bin/sh\necho wrong > /dev/null\n");
  int exitCode = -1;
  ASSERT_TRUE(RunProgramAndWait("c:\\Program Files\\Ostrel\\setup.exe /S  /X", &exitCode));
  EXPECT_EQ(exitCode, 7);
  const std::string record = prefix.ReadFile("c:\\Program Files\\Ostrel\\record.txt");
  EXPECT_EQ(record.substr(0, record.find('\n')), "args:/S /X");
}

TEST(ProgramStart, TheChildRunsInTheCurrentFolderAndSeesOnlyTheStandardDescriptors) {
  TempPrefix prefix;
  prefix.WriteFile("c:\\temp\\probe.exe",
                   "#!/bin/sh\n"
                   "out=\"$(dirname \"$0\")/record.txt\"\n"
                   "echo \"cwd:$(pwd)\" > \"$out\"\n"
                   "if [ -e /proc/$$/fd/$1 ]; then echo leaked >> \"$out\"; fi\n");
  const int leaky = open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
  const fs::path saved = fs::current_path();
  fs::current_path(prefix.Host("c:\\temp"));
  ASSERT_TRUE(RunProgramAndWait("c:\\temp\\probe.exe " + std::to_string(leaky)));
  fs::current_path(saved);
  close(leaky);
  EXPECT_EQ(prefix.ReadFile("c:\\temp\\record.txt"),
            "cwd:" + fs::canonical(prefix.Host("c:\\temp")).string() + "\n");
}

TEST(ProgramStart, AStartedProgramIsNotWaitedForButIsReaped) {
  TempPrefix prefix;
  prefix.WriteFile("c:\\temp\\quick.exe", "#!/bin/sh\nexit 0\n");
  ASSERT_TRUE(StartProgram("c:\\temp\\quick.exe"));
  // Gone altogether once it has ended: a child left unreaped stays for ever.
  EXPECT_TRUE(WaitUntil([] { return !HasChildren(); }, std::chrono::seconds(5)));
}

TEST(ProgramStart, FilesThatCannotBeRunAreRefusedWithoutAShell) {
  TempPrefix prefix;
  prefix.WriteFile("c:\\temp\\page.exe", "<html>404 Not Found</html>");
  prefix.WriteFile("c:\\temp\\windows.exe", std::string("MZ\x90\x00", 4));
  EXPECT_FALSE(StartProgram("c:\\temp\\page.exe"));
  EXPECT_FALSE(StartProgram("c:\\temp\\missing.exe /S"));
  EXPECT_FALSE(StartProgram(""));
  EXPECT_FALSE(StartProgram("c:\\temp\\page.exe; touch /tmp/ostrel-injected"));
  EXPECT_FALSE(fs::exists("/tmp/ostrel-injected"));
  if (!ResolveCommandLine("/usr/bin/wine")) {
    EXPECT_FALSE(StartProgram("c:\\temp\\windows.exe"));
  }
}

TEST(ProgramStart, AnExecutableFileRunsDirectlyAndAWindowsProgramUnderWine) {
  TempPrefix prefix;
  fs::create_directories(prefix.Host("c:\\bin"));
  fs::copy_file("/bin/true", prefix.Host("c:\\bin\\true.exe"));
  const auto direct = ResolveCommandLine("c:\\bin\\true.exe a b");
  ASSERT_TRUE(direct);
  EXPECT_EQ(direct->argv,
            (std::vector<std::string>{prefix.Host("c:\\bin\\true.exe").string(), "a", "b"}));

  // A fake wine on PATH shows that "MZ" files are handed to it.
  prefix.WriteFile("c:\\bin\\wine", "#!/bin/sh\nexit 0\n");
  fs::permissions(prefix.Host("c:\\bin\\wine"), fs::perms::owner_all);
  prefix.WriteFile("c:\\temp\\setup.exe", PeProgram(0x8664));
  const std::string savedPath = std::getenv("PATH");
  SetEnvironment("PATH", prefix.Host("c:\\bin").c_str());
  const auto underWine = ResolveCommandLine("c:\\temp\\setup.exe /S");
  SetEnvironment("PATH", savedPath.c_str());
  ASSERT_TRUE(underWine);
  EXPECT_EQ(underWine->argv,
            (std::vector<std::string>{prefix.Host("c:\\bin\\wine").string(),
                                      prefix.Host("c:\\temp\\setup.exe").string(), "/S"}));
}

TEST(ProgramStart, EveryProgramRunsInTheUpdatersPrefixWhateverWinePrefixSays) {
  TempPrefix prefix;
  prefix.WriteFile("c:\\temp\\env.exe",
                   "#!/bin/sh\necho \"$WINEPREFIX\" > \"$(dirname \"$0\")/env.txt\"\nexit 3\n");
  SetEnvironment("WINEPREFIX", "/elsewhere/.wine");
  std::atomic<bool> ended = false;
  auto watched = platform::WatchedProgram::Start("c:\\temp\\env.exe", [&] { ended = true; });
  UnsetEnvironment("WINEPREFIX");
  ASSERT_TRUE(watched);
  EXPECT_TRUE(WaitUntil([&] { return ended.load(); }, std::chrono::seconds(5)));
  EXPECT_EQ(watched->ExitStatus(), 3);
  EXPECT_EQ(prefix.ReadFile("c:\\temp\\env.txt"), fs::canonical(prefix.Root()).string() + "\n");
}

TEST(ProgramStart, AWindowsProgramThisWineCannotRunIsRefusedWithWhatToInstall) {
  TempPrefix prefix;
  prefix.WriteFile("c:\\temp\\old.exe", PeProgram(0x14c));
  prefix.WriteFile("c:\\temp\\new.exe", PeProgram(0x8664));
  // A Wine of the test's own, whose 32-bit side the test adds: whether the
  // machine has wine or wine32 makes no difference.
  const fs::path wine = prefix.Host("c:\\wine\\bin\\wine");
  prefix.WriteFile("c:\\wine\\bin\\wine", "#!/bin/sh\nexit 0\n");
  fs::permissions(wine, fs::perms::owner_all);
  const std::string savedPath = std::getenv("PATH");
  std::string without, only64;
  SetEnvironment("PATH", prefix.Host("c:\\temp").c_str());
  EXPECT_FALSE(ResolveCommandLine("\"c:\\temp\\new.exe\" /S", &without));
  SetEnvironment("PATH", wine.parent_path().c_str());
  EXPECT_FALSE(ResolveCommandLine("c:\\temp\\old.exe /S", &only64));
  fs::create_directories(prefix.Host("c:\\wine\\lib\\wine\\i386-unix"));
  const auto with32 = ResolveCommandLine("c:\\temp\\old.exe /S");
  SetEnvironment("PATH", savedPath.c_str());
  EXPECT_EQ(without,
            "c:\\temp\\new.exe is a Windows program, and Wine is not installed: "
            "install the wine package.");
  EXPECT_EQ(only64,
            "c:\\temp\\old.exe is a 32-bit Windows program, and this Wine runs only 64-bit "
            "ones: install wine32 from the i386 architecture.");
  ASSERT_TRUE(with32);
  EXPECT_EQ(with32->argv.front(), wine.string());
}

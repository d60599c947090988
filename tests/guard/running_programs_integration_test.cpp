#include "guard/running_programs.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "brand/skin.h"
#include "support/settings.h"
#include "testkit/desktop_recorder.h"
#include "testkit/host.h"
#include "testkit/spawned_programs.h"
#include "testkit/temp_prefix.h"

namespace {

namespace fs = std::filesystem;

const std::string kAdvice = std::string(kRunningAdvice) + "\r\n";

class RunningPrograms : public ::testing::Test {
 protected:
  void SetUp() override { ForgetSkin(); }
  void TearDown() override { ForgetSkin(); }

  void UseSkin(const std::string& skin) { WriteProfileString("general", "skin", skin); }

  static std::vector<std::string> Find(std::vector<std::string> running = {}) {
    SuiteProgramTable table = StartupProgramTable();
    table.merge(SuiteProgramsAfterStartup());
    FindRunningPrograms(table, running);
    return running;
  }

  ProgramsAndWindowsLock m_lock;
  TempPrefix m_prefix;
  DesktopRecorder m_desktop;
  SpawnedPrograms m_programs;
};

TEST_F(RunningPrograms, NothingRunningLetsTheUpdateGoOnWithoutALogLineOrMessage) {
  EXPECT_FALSE(CheckRunningPrograms());
  EXPECT_TRUE(m_desktop.Messages().empty());
  EXPECT_EQ(m_prefix.LogText(), "");
}

TEST_F(RunningPrograms, ExecutableNamesMatchWhateverTheirCaseAndFolder) {
  SKIP_ON_WINDOWS("Processes told apart by their WINEPREFIX; argv[0] as Wine shows a program");
  m_programs.StartSleeper("accounts.exe");
  m_programs.StartSleeper("ACCOUNTS.EXE");
  // As Wine shows a Windows program: argv[0] is its Windows path.
  m_programs.StartSleeper("quorby", "C:\\Ostrel\\Quorby.Exe");
  m_programs.StartSleeper("accounts.exe.bak");

  std::vector<std::string> running{"already listed"};
  SuiteProgramTable table = SuiteProgramsAfterStartup();
  EXPECT_EQ(FindRunningPrograms(table, running), 4);
  std::sort(running.begin(), running.end());
  EXPECT_EQ(running, (std::vector<std::string>{"Ostrel Accounts", "Ostrel Accounts", "Quorby",
                                               "already listed"}));
}

TEST_F(RunningPrograms, TheReportFollowsTheProcessOrderRewrittenForTheSkin) {
  UseSkin("Lumbry");
  std::vector<std::pair<pid_t, std::string>> started{
      {m_programs.StartSleeper("pelmor32.exe"), "Payroll is currently running. \r\n"},
      {m_programs.StartSleeper("halvex.exe"), "Lumbry Tax is currently running. \r\n"},
      {m_programs.StartSleeper("pelmor32.exe"), "Payroll is currently running. \r\n"},
  };
  // Process ids may wrap around; the platform lists them in id order.
  std::sort(started.begin(), started.end());
  std::string expected;
  for (const auto& [pid, line] : started)
    expected += line;

  EXPECT_TRUE(CheckRunningPrograms());
  EXPECT_EQ(m_desktop.Messages(), std::vector<std::string>{expected + kAdvice});
  EXPECT_EQ(m_prefix.LogText(), "");
}

TEST_F(RunningPrograms, GresmoReportsTheCisProgramUnderItsOwnName) {
  UseSkin("gresmo");
  m_programs.StartSleeper("cis.exe");
  EXPECT_TRUE(CheckRunningPrograms());
  EXPECT_EQ(m_desktop.Messages(),
            std::vector<std::string>{"Gresmo Enterprise CIS is currently running. \r\n" + kAdvice});
}

TEST_F(RunningPrograms, AStartupProgramWithoutWindowsIsAskedToCloseThenReportedForTheSkin) {
  UseSkin("Lumbry");
  m_programs.StartSleeper("AutoRun.exe");
  EXPECT_TRUE(CheckRunningPrograms());
  EXPECT_EQ(m_desktop.Messages(),
            std::vector<std::string>{"Lumbry Startup is currently running. \r\n" + kAdvice});
  // The windows are looked for under the name as it stands.
  const std::string log = m_prefix.LogText();
  EXPECT_NE(log.find(": Killing windows with Ostrel Startup\r\n"), std::string::npos);
  EXPECT_EQ(log.find("sent WM_CLOSE"), std::string::npos);
}

TEST_F(RunningPrograms, OnlyProgramsInThisPrefixCount) {
  SKIP_ON_WINDOWS("Processes told apart by their WINEPREFIX; argv[0] as Wine shows a program");
  m_programs.RunInPrefix(m_prefix.Root() / "elsewhere");
  m_programs.StartSleeper("accounts.exe");
  EXPECT_TRUE(Find().empty());
  EXPECT_FALSE(CheckRunningPrograms());
  // The same prefix named through a link and with a trailing slash is this one.
  fs::create_directory_symlink(m_prefix.Root(), m_prefix.Root().string() + "-link");
  m_programs.RunInPrefix(m_prefix.Root().string() + "-link/");
  m_programs.StartSleeper("halvex.exe");
  EXPECT_EQ(Find(), std::vector<std::string>{"Halvex"});
  fs::remove(m_prefix.Root().string() + "-link");
}

TEST_F(RunningPrograms, AProgramThatHasEndedButIsNotYetReapedIsNotRunning) {
  const pid_t pid = m_programs.StartSleeper("pelmor32.exe");
  ASSERT_EQ(Find(), std::vector<std::string>{"Payroll"});
  ASSERT_TRUE(m_programs.MakeZombie(pid));
  EXPECT_TRUE(Find().empty());
  EXPECT_FALSE(CheckRunningPrograms());
}

}  // namespace

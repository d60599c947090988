// The library check against real files with set modification times.
#include "libcheck/check_dlls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include "support/settings.h"
#include "testkit/temp_prefix.h"

namespace {

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

class CheckDllsTest : public ::testing::Test {
 protected:
  void Library(const std::string& windowsPath, std::time_t modified) {
    prefix.WriteFile(windowsPath, "library");
    std::filesystem::last_write_time(
        prefix.Host(windowsPath),
        std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(modified)));
  }
  void VersionList(const std::string& files) {
    prefix.WriteFile("c:\\ostrel\\dllversion.txt", "<Files>\r\n" + files + "</Files>\r\n");
  }
  TempPrefix prefix;
};

}  // namespace

TEST_F(CheckDllsTest, NoVersionListMeansEverythingIsInOrder) {
  EXPECT_TRUE(CheckDlls());
}

TEST_F(CheckDllsTest, TheTimeOfDayCountsToTheMinute) {
  VersionList("<File path=\"c:\\windows\\a.dll\" mtime=\"01/02/2003 10:30\"/>\r\n");
  Library("c:\\windows\\a.dll", LocalTime(2003, 2, 1, 10, 30, 45));
  EXPECT_TRUE(CheckDlls());
  Library("c:\\windows\\a.dll", LocalTime(2003, 2, 1, 10, 30, 0));
  EXPECT_TRUE(CheckDlls());
  Library("c:\\windows\\a.dll", LocalTime(2003, 2, 1, 10, 29, 59));
  EXPECT_FALSE(CheckDlls());
}

TEST_F(CheckDllsTest, ADateAloneMeansMidnightAndAOneDigitHourLosesItsMinutes) {
  EXPECT_EQ(OldestAcceptableTime("01/02/2003"), LocalTime(2003, 2, 1, 0, 0, 0));
  EXPECT_EQ(OldestAcceptableTime("1/2/2003 9:30"), LocalTime(2003, 2, 1, 9, 0, 0));
  EXPECT_EQ(OldestAcceptableTime("01/02/2003 23:59"), LocalTime(2003, 2, 1, 23, 59, 0));
}

TEST_F(CheckDllsTest, ADateBeyondThePlatformsTimeValuesFailsAndOneBeforeThemPasses) {
  Library("c:\\windows\\a.dll", std::time(nullptr));
  // 1205 is a slip for 2105 that the year rule makes 3105, past Windows' last
  // time value, as 9999 is; the last two are past every platform's.
  for (const char* mtime : {"1/1/1205", "31/12/9999 23:59", "1/1/999999", "1/1/2003 99999999"}) {
    VersionList(std::string("<File path=\"c:\\windows\\a.dll\" mtime=\"") + mtime + "\"/>");
    EXPECT_FALSE(CheckDlls()) << mtime;
  }
  VersionList("<File path=\"c:\\windows\\a.dll\" mtime=\"01/01/1950\"/>");
  EXPECT_TRUE(CheckDlls());
}

TEST_F(CheckDllsTest, OnlyFileElementsAtAnyDepthCountAndEveryOneIsExamined) {
  prefix.WriteFile("c:\\ostrel\\dllversion.txt",
                   "<Files><Group><Sub><File path=\"c:\\windows\\deep.dll\" "
                   "mtime=\"01/01/2020\"/></Sub></Group>"
                   "<file path=\"c:\\missing.dll\"/></Files>");
  Library("c:\\windows\\deep.dll", LocalTime(2019, 12, 31, 12, 0, 0));
  EXPECT_FALSE(CheckDlls());
  Library("c:\\windows\\deep.dll", LocalTime(2020, 1, 1, 0, 0, 0));
  EXPECT_TRUE(CheckDlls());
}

TEST_F(CheckDllsTest, MissingFilesAndPathsFailButLaterElementsAreStillRead) {
  Library("c:\\windows\\b.dll", LocalTime(2010, 1, 1, 0, 0, 0));
  VersionList(
      "<File path=\"c:\\windows\\gone.dll\" mtime=\"01/01/2000\"/>\r\n"
      "<File path=\"c:\\windows\\b.dll\"/>\r\n");
  EXPECT_FALSE(CheckDlls());
  VersionList("<File mtime=\"01/01/2000\"/>\r\n");
  EXPECT_FALSE(CheckDlls());
  VersionList("<File path=\"c:\\windows\\b.dll\"/>\r\n");
  EXPECT_TRUE(CheckDlls());
}

TEST_F(CheckDllsTest, TheListIsFoundInTheConfiguredInstallFolder) {
  WriteProfileString("paths", "install", "d:\\suite");
  prefix.WriteFile("d:\\suite\\dllversion.txt", "<Files><File path=\"c:\\nothing.dll\"/></Files>");
  EXPECT_FALSE(CheckDlls());
}

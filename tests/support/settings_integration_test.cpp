#include "support/settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/error_list.h"
#include "support/log.h"
#include "testkit/desktop_recorder.h"
#include "testkit/host.h"
#include "testkit/temp_prefix.h"

TEST(Settings, WithoutASettingsFileEveryDefaultHolds) {
  TempPrefix prefix;
  EXPECT_EQ(GetInstallFolder(), "c:\\ostrel");
  EXPECT_EQ(GetTempFolder(), "c:\\temp");
  EXPECT_EQ(GetProfileString("general", "skin", "ostrel"), "ostrel");
  EXPECT_EQ(GetProfileInt("advanced", "sim", 0), 0u);
  EXPECT_EQ(InstallersFolderDefault(), "");
}

TEST(Settings, TheFileIsOstrelIniInTheWindowsFolderAndWritesKeepOtherProgramsKeys) {
  SKIP_ON_WINDOWS("The settings file's place inside a Wine prefix's folders");
  TempPrefix prefix;
  prefix.WriteFile("c:\\windows\\ostrel.ini",
                   "[Payroll]\r\nz=1\r\na=2\r\n[PATHS]\r\nInstall=c:\\Suite\r\n");
  EXPECT_EQ(GetInstallFolder(), "c:\\Suite");
  ASSERT_TRUE(WriteProfileString("general", "skin", "gresmo"));
  EXPECT_EQ(
      prefix.ReadFile("c:\\windows\\ostrel.ini"),
      "[Payroll]\r\nz=1\r\na=2\r\n[PATHS]\r\nInstall=c:\\Suite\r\n[general]\r\nskin=gresmo\r\n");
  EXPECT_EQ(ProfileHostPath(), prefix.Root() / "drive_c" / "windows" / "ostrel.ini");
}

TEST(Settings, InstallersDefaultReplacesEveryLowerCaseClients) {
  TempPrefix prefix;
  WriteProfileString("paths", "clientdir", "\\\\srv\\clients\\data\\clients");
  EXPECT_EQ(InstallersFolderDefault(), "\\\\srv\\installers\\data\\installers");
  WriteProfileString("paths", "clientdir", "\\\\srv\\Clients");
  EXPECT_EQ(InstallersFolderDefault(), "\\\\srv\\Clients");
}

TEST(Settings, TheWorkingFolderIsCreatedOneLevelOnly) {
  TempPrefix prefix;
  EXPECT_EQ(GetTempFolder(), "c:\\temp");
  EXPECT_TRUE(std::filesystem::is_directory(prefix.Host("c:\\temp")));
  WriteProfileString("paths", "temp", "c:\\missing\\work");
  EXPECT_EQ(GetTempFolder(), "c:\\missing\\work");
  EXPECT_FALSE(std::filesystem::exists(prefix.Host("c:\\missing")));
}

TEST(Settings, AFileInAFolderGetsOneSeparatorOfTheFoldersKind) {
  const struct {
    const char* folder;
    const char* path;
  } cases[] = {
      {"c:\\temp", "c:\\temp\\log.txt"},
      {"c:\\temp\\", "c:\\temp\\log.txt"},
      {"c:\\", "c:\\log.txt"},
      {"\\\\srv\\share", "\\\\srv\\share\\log.txt"},
      {"/srv/suite/logs", "/srv/suite/logs/log.txt"},
      {"/srv/suite/logs/", "/srv/suite/logs/log.txt"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FileInFolder(c.folder, "log.txt"), c.path) << c.folder;
}

TEST(Settings, AHostPathAsTheWorkingFolderHoldsTheLogAndTheErrorList) {
  TempPrefix prefix;
  DesktopRecorder desktop;
  const auto logs = prefix.Root() / "srv" / "logs";
  std::filesystem::create_directories(logs.parent_path());
  WriteProfileString("paths", "temp", logs.string());
  Log("parsing command line");
  ShowErrors(std::vector<std::string>(41, "line"));
  EXPECT_NE(ReadHostFile(logs / "log.txt").find("parsing command line"), std::string::npos);
  EXPECT_EQ(ReadHostFile(logs / "errors.txt").size(), 41u * 6);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(logs.parent_path()), {}), 1);
}

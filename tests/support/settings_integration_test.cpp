#include "support/settings.h"

#include <gtest/gtest.h>

#include <filesystem>

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

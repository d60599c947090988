#include "platform/host_path.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "testkit/temp_prefix.h"

namespace fs = std::filesystem;
using platform::HostPath;

TEST(HostPath, DriveLettersInEitherCaseAndEitherSlashMapToTheDriveFolder) {
  TempPrefix prefix;
  const fs::path expected = prefix.Root() / "drive_c" / "temp" / "temp.xml";
  EXPECT_EQ(HostPath("c:\\temp\\temp.xml"), expected);
  EXPECT_EQ(HostPath("C:/temp/temp.xml"), expected);
  EXPECT_EQ(HostPath("C:\\temp/temp.xml"), expected);
  EXPECT_EQ(HostPath("d:\\data"), prefix.Root() / "drive_d" / "data");
}

TEST(HostPath, ADosdevicesLinkIsPreferredWhenItExists) {
  TempPrefix prefix;
  fs::create_directories(prefix.Root() / "elsewhere");
  fs::create_directories(prefix.Root() / "dosdevices");
  fs::create_symlink(prefix.Root() / "elsewhere", prefix.Root() / "dosdevices" / "e:");
  EXPECT_EQ(HostPath("E:\\x\\y"), prefix.Root() / "dosdevices" / "e:" / "x" / "y");
}

TEST(HostPath, UncNamesMapUnderDosdevicesUnc) {
  TempPrefix prefix;
  EXPECT_EQ(HostPath("\\\\server\\share\\installers"),
            prefix.Root() / "dosdevices" / "unc" / "server" / "share" / "installers");
}

TEST(HostPath, HostAndRelativePaths) {
  TempPrefix prefix;
  EXPECT_EQ(HostPath("/usr/share/x"), fs::path("/usr/share/x"));
  EXPECT_EQ(HostPath("sub\\dir\\file.exe"), fs::path("sub/dir/file.exe"));
  EXPECT_EQ(HostPath("\\temp\\a"), prefix.Root() / "drive_c" / "temp" / "a");
}

TEST(HostPath, NamesAreConvertedToUtf8AndFoundWithoutRegardToCase) {
  TempPrefix prefix;
  fs::create_directories(prefix.Root() / "drive_c" / "Program Files" / "Ostrel");
  EXPECT_EQ(HostPath("c:\\PROGRAM FILES\\ostrel\\new.txt"),
            prefix.Root() / "drive_c" / "Program Files" / "Ostrel" / "new.txt");
  EXPECT_EQ(HostPath("c:\\caf\xE9"), prefix.Root() / "drive_c" / "caf\xC3\xA9");
}

TEST(HostPath, DotDotNeverClimbsAboveTheDriveOrShare) {
  TempPrefix prefix;
  EXPECT_EQ(HostPath("c:\\temp\\..\\..\\..\\etc\\passwd"),
            prefix.Root() / "drive_c" / "etc" / "passwd");
  EXPECT_EQ(HostPath("\\\\srv\\..\\..\\x"), prefix.Root() / "dosdevices" / "unc" / "x");
}

TEST(HostPath, APrefixWithoutACDriveGetsItsWindowsFolder) {
  TempPrefix prefix;
  EXPECT_FALSE(fs::exists(prefix.Root() / "drive_c"));
  HostPath("d:\\anything");
  EXPECT_TRUE(fs::is_directory(prefix.Root() / "drive_c" / "windows"));
  fs::remove(prefix.Root() / "drive_c" / "windows");
  HostPath("c:\\ostrel");
  EXPECT_TRUE(fs::is_directory(prefix.Root() / "drive_c" / "windows"));
}

TEST(HostPath, ThePrefixComesFromOstrelPrefixThenWineprefixThenHome) {
  TempPrefix prefix;  // restores OSTREL_PREFIX afterwards
  const char* savedWine = std::getenv("WINEPREFIX");
  const std::string wine = savedWine ? savedWine : "";
  setenv("WINEPREFIX", "/tmp/wine-prefix", 1);
  EXPECT_EQ(platform::PrefixFolder(), prefix.Root());
  unsetenv("OSTREL_PREFIX");
  EXPECT_EQ(platform::PrefixFolder(), fs::path("/tmp/wine-prefix"));
  unsetenv("WINEPREFIX");
  const std::string home = std::getenv("HOME");
  EXPECT_EQ(platform::PrefixFolder(), fs::path(home) / ".wine");
  // Without HOME the password database names the home, never a shared folder.
  unsetenv("HOME");
  EXPECT_EQ(platform::PrefixFolder(), fs::path(getpwuid(getuid())->pw_dir) / ".wine");
  setenv("HOME", home.c_str(), 1);
  if (savedWine)
    setenv("WINEPREFIX", wine.c_str(), 1);
}

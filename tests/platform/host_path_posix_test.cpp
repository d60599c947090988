#include "platform/host_path.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/state_folder.h"
#include "testkit/host.h"
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
  SetEnvironment("WINEPREFIX", "/tmp/wine-prefix");
  EXPECT_EQ(platform::PrefixFolder(), prefix.Root());
  UnsetEnvironment("OSTREL_PREFIX");
  EXPECT_EQ(platform::PrefixFolder(), fs::path("/tmp/wine-prefix"));
  UnsetEnvironment("WINEPREFIX");
  const std::string home = std::getenv("HOME");
  EXPECT_EQ(platform::PrefixFolder(), fs::path(home) / ".wine");
  // Without HOME the password database names the home, never a shared folder.
  UnsetEnvironment("HOME");
  EXPECT_EQ(platform::PrefixFolder(), fs::path(getpwuid(getuid())->pw_dir) / ".wine");
  SetEnvironment("HOME", home.c_str());
  if (savedWine)
    SetEnvironment("WINEPREFIX", wine.c_str());
}

TEST(UpdaterStateFile, IsOnePerResolvedPrefixInTheXdgStateFolderElseUnderHome) {
  TempPrefix prefix;  // restores OSTREL_PREFIX and XDG_STATE_HOME afterwards
  const fs::path underHome = fs::path(std::getenv("HOME")) / ".local" / "state" / "ostrel-update";
  auto fileFor = [](const char* stateHome, const fs::path& prefixFolder) {
    if (stateHome != nullptr) {
      SetEnvironment("XDG_STATE_HOME", stateHome);
    } else {
      UnsetEnvironment("XDG_STATE_HOME");
    }
    SetEnvironment("OSTREL_PREFIX", prefixFolder.c_str());
    return platform::UpdaterStateFile().value();
  };
  const struct {
    const char* stateHome;  // XDG_STATE_HOME; nullptr: unset
    const char* prefix;
    fs::path file;
  } cases[] = {
      {"/srv/state", "/home/anna/.wine", "/srv/state/ostrel-update/home-anna-.wine.ini"},
      {"relative/state", "/home/anna/.wine", underHome / "home-anna-.wine.ini"},
      {nullptr, "/p/a-b", underHome / "p-a%2Db.ini"},
      {nullptr, "/p/a/b", underHome / "p-a-b.ini"},
      {nullptr, "/p/50% off", underHome / "p-50%25%20off.ini"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(fileFor(c.stateHome, c.prefix), c.file) << c.prefix;

  // A link to a prefix is that prefix.
  fs::create_directories(prefix.Root() / "real");
  fs::create_symlink(prefix.Root() / "real", prefix.Root() / "link");
  EXPECT_EQ(fileFor(nullptr, prefix.Root() / "link"), fileFor(nullptr, prefix.Root() / "real"));
  // Paths too long for a name keep their ends apart.
  const std::string deep = "/" + std::string(300, 'x');
  const fs::path first = fileFor(nullptr, "/a" + deep);
  const fs::path second = fileFor(nullptr, "/b" + deep);
  EXPECT_NE(first, second);
  EXPECT_LE(first.filename().string().size(), 200u);
}

// --install-bridge against a real prefix folder and real files.
#include "app/wine_bridge_install.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/settings.h"
#include "testkit/temp_folder.h"
#include "testkit/temp_prefix.h"
#include "wine_bridge/bridge_text.h"

namespace {

const std::string kProgram = "MZ the bridge";

class WineBridgeInstall : public ::testing::Test {
 protected:
  WineBridgeInstall() {
    WriteHostFile(m_shipped.Path() / "update.exe", kProgram);
    prefix.WriteFile("c:\\windows\\win.ini", "");
  }

  int Install(const std::string& native = "/usr/bin/ostrel-update") {
    out.str("");
    err.str("");
    return InstallWineBridge({m_shipped.Path() / "update.exe", native}, out, err);
  }

  // The updater a copy names, or "" when the file is no copy.
  std::string Names(const std::string& windowsPath) const {
    const std::string bytes = prefix.ReadFile(windowsPath);
    const unsigned char* first = nullptr;
    const long length = bridge_trailer_path(reinterpret_cast<const unsigned char*>(bytes.data()),
                                            bytes.size(), &first);
    if (length <= 0 || bytes.compare(0, kProgram.size(), kProgram) != 0)
      return "";
    return std::string(reinterpret_cast<const char*>(first), static_cast<std::size_t>(length));
  }

  TempPrefix prefix;
  std::ostringstream out;
  std::ostringstream err;

 private:
  TempFolder m_shipped;
};

}  // namespace

TEST_F(WineBridgeInstall, TheCopyGoesIntoTheInstallFolderNamesThisUpdaterAndSaysWhere) {
  EXPECT_EQ(Install(), 0) << err.str();
  EXPECT_EQ(Names("c:\\ostrel\\update.exe"), "/usr/bin/ostrel-update");
  EXPECT_NE(out.str().find("c:\\ostrel\\update.exe (" +
                           prefix.Host("c:\\ostrel\\update.exe").string() + ")"),
            std::string::npos)
      << out.str();

  WriteProfileString("paths", "install", "d:\\suite");
  EXPECT_EQ(Install(), 0) << err.str();
  EXPECT_EQ(Names("d:\\suite\\update.exe"), "/usr/bin/ostrel-update");
}

TEST_F(WineBridgeInstall, OnlyItsOwnCopyIsReplaced) {
  ASSERT_EQ(Install("/opt/old/ostrel-update"), 0);
  EXPECT_EQ(Install("/usr/bin/ostrel-update"), 0) << err.str();
  EXPECT_EQ(Names("c:\\ostrel\\update.exe"), "/usr/bin/ostrel-update");

  prefix.WriteFile("c:\\ostrel\\update.exe", "MZ the Windows updater");
  EXPECT_EQ(Install(), 1);
  EXPECT_EQ(prefix.ReadFile("c:\\ostrel\\update.exe"), "MZ the Windows updater");
  EXPECT_NE(err.str().find("is not ostrel-update's bridge"), std::string::npos) << err.str();
}

TEST(WineBridgeInstallRefusal, NothingIsMadeOutsideAWinePrefixOrWithoutTheProgram) {
  TempPrefix prefix;  // no drive_c yet: not a Wine prefix
  TempFolder shipped;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(InstallWineBridge({shipped.Path() / "update.exe", "/usr/bin/ostrel-update"}, out, err),
            1);
  EXPECT_NE(err.str().find("is not a Wine prefix"), std::string::npos) << err.str();
  EXPECT_TRUE(std::filesystem::is_empty(prefix.Root()));

  prefix.WriteFile("c:\\windows\\win.ini", "");
  EXPECT_EQ(InstallWineBridge({shipped.Path() / "update.exe", "/usr/bin/ostrel-update"}, out, err),
            1);
  EXPECT_FALSE(std::filesystem::exists(prefix.Host("c:\\ostrel\\update.exe")));
}

// The machine policy file is used only when no one but its owner could have
// written it: real files, real modes, real owners.
#ifndef _WIN32
#include "platform/machine_policy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "testkit/temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct OwnershipCase {
  const char* name;
  mode_t folderMode;
  mode_t fileMode;
  bool ownedByOther;    // the reader expects another user than the file's
  const char* ignored;  // "" when the policy is used
};

TEST(MachinePolicyFile, IsIgnoredWithItsReasonWhenAnyoneButItsOwnerMayHaveWrittenIt) {
  const OwnershipCase cases[] = {
      {"safe", 0755, 0644, false, ""},
      {"another user's", 0755, 0644, true, "it is owned by user "},
      {"group-writable", 0755, 0664, false, "others than its owner may write it"},
      {"world-writable", 0755, 0646, false, "others than its owner may write it"},
      {"in a folder others write", 0777, 0644, false, "is unsafe: others than its owner"},
  };
  for (const OwnershipCase& ownership : cases) {
    const TempFolder folder("ostrel-policy-");
    const fs::path file = folder.Path() / "policy.ini";
    { std::ofstream(file) << "[Update]\nAllowInstall=0\n"; }
    ASSERT_EQ(::chmod(file.c_str(), ownership.fileMode), 0);
    ASSERT_EQ(::chmod(folder.Path().c_str(), ownership.folderMode), 0);
    platform::UseMachinePolicyLocationForTests(
        {file.string(), ::getuid() + (ownership.ownedByOther ? 1 : 0)});
    const platform::MachinePolicyReading reading = platform::ReadMachinePolicy();
    if (*ownership.ignored == '\0') {
      EXPECT_EQ(reading.text, "[Update]\nAllowInstall=0\n") << ownership.name;
      EXPECT_EQ(reading.ignored, "") << ownership.name;
    } else {
      EXPECT_EQ(reading.text, "") << ownership.name;
      EXPECT_NE(reading.ignored.find("the machine policy " + file.string() + " is ignored: "),
                std::string::npos)
          << reading.ignored;
      EXPECT_NE(reading.ignored.find(ownership.ignored), std::string::npos) << reading.ignored;
    }
  }
  platform::UseMachinePolicyLocationForTests({"/nonexistent/ostrel/policy.ini", ::getuid()});
  EXPECT_EQ(platform::ReadMachinePolicy().ignored, "");  // no policy is no news
}

}  // namespace
#endif

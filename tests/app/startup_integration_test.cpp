#include "app/startup.h"

#include <gtest/gtest.h>

#include "app/application.h"
#include "support/settings.h"
#include "testkit/desktop_recorder.h"
#include "testkit/temp_prefix.h"

namespace {

// Records the start-up's calls in the order they come.
struct StartupRecord {
  std::vector<std::string> calls;
  bool librariesInOrder = true;

  StartupServices Services() {
    StartupServices services;
    services.initialiseFramework = [this] { calls.push_back("framework " + ProfileName()); };
    services.setSkin = [this](const std::string& skin) { calls.push_back("skin " + skin); };
    services.checkDlls = [this] {
      calls.push_back("check");
      return librariesInOrder;
    };
    return services;
  }
};

class Startup : public ::testing::Test {
 protected:
  void SetUp() override { ResetCommandLine(); }
  void TearDown() override { ResetCommandLine(); }

  TempPrefix prefix;
  DesktopRecorder desktop;
  StartupRecord record;
};

}  // namespace

TEST_F(Startup, WithoutArgumentsItNamesTheSettingsFileLogsAndGoesOnToTheWindow) {
  EXPECT_EQ(PrepareStartup({}, record.Services()), StartupOutcome::kCreateMainWindow);
  EXPECT_EQ(record.calls, std::vector<std::string>{"framework ostrel.ini"});
  const std::string log = prefix.LogText();
  const auto parsing = log.find(": parsing command line\r\n");
  const auto shell = log.find(": process shell command\r\n");
  ASSERT_NE(parsing, std::string::npos);
  ASSERT_NE(shell, std::string::npos);
  EXPECT_LT(parsing, shell);
  EXPECT_EQ(log.find("CheckDlls"), std::string::npos);
  EXPECT_TRUE(desktop.Messages().empty());
}

TEST_F(Startup, TheSkinIsAppliedWithItsCaseBeforeTheLibraryCheck) {
  EXPECT_EQ(PrepareStartup({"/s", "Blue", "/dllcheck"}, record.Services()),
            StartupOutcome::kLibrariesInOrder);
  EXPECT_EQ(record.calls, (std::vector<std::string>{"framework ostrel.ini", "skin Blue", "check"}));
}

TEST_F(Startup, MissingLibrariesAreAnnouncedAndSelectTheLibraryItemOverSel) {
  record.librariesInOrder = false;
  EXPECT_EQ(PrepareStartup({"/DLLCHECK", "/SEL:abc"}, record.Services()),
            StartupOutcome::kCreateMainWindow);
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>{kLibrariesMissingMessage});
  EXPECT_EQ(TheOptions().Get("sel"), "dll");
  const std::string log = prefix.LogText();
  EXPECT_LT(log.find("about to CheckDlls()"), log.find("process shell command"));
}

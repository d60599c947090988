// One session serving an installer's transfer and then a text's, against the
// loopback server: each request keeps its own counting and its own digest.
#include "catalogue/transfer_session.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testkit/desktop_recorder.h"
#include "testkit/loopback_server.h"
#include "testkit/temp_prefix.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kAbcSha256 =
    "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";

}  // namespace

TEST(TransferSession, EachTransferCountsAndIsCheckedAsItsRequestSays) {
  TempPrefix prefix;
  DesktopRecorder desktop;
  LoopbackServer server;
  server.AddFile("setup.exe", "abc");
  server.AddFile("setup.txt", "abc");
  fs::create_directories(prefix.Host("c:\\temp"));

  TransferSession session;
  TransferRequest installer;
  installer.url = server.Url("setup.exe");
  installer.targetPath = "c:\\temp\\setup.exe";
  installer.expectedSha256 = kAbcSha256;
  installer.name = "Setup";
  session.Prepare(installer);
  session.Start();
  session.Join();
  ASSERT_TRUE(session.Transferred());
  EXPECT_EQ(session.BytesReceived(), 3);
  EXPECT_TRUE(session.PassesCheck(/*digestRequired=*/true, /*removeOnFailure=*/true));

  TransferRequest text;
  text.url = server.Url("setup.txt");
  text.targetPath = "c:\\temp\\info.txt";
  text.counted = false;
  text.expectedSha256 = std::string(64, '0');
  text.information = true;
  session.Prepare(text);
  EXPECT_FALSE(session.Transferred());
  session.Start();
  session.Join();
  ASSERT_TRUE(session.Transferred());
  EXPECT_TRUE(session.Information());
  // The uncounted text leaves the installer's figure as it was.
  EXPECT_EQ(session.BytesReceived(), 3);
  EXPECT_FALSE(session.PassesCheck(/*digestRequired=*/false, /*removeOnFailure=*/true));
  EXPECT_FALSE(fs::exists(prefix.Host("c:\\temp\\info.txt")));
  EXPECT_TRUE(fs::exists(prefix.Host("c:\\temp\\setup.exe")));
  EXPECT_EQ(desktop.PostedCommands().size(), 2u);
}

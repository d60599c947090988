// The notification on a real session bus (dbus-daemon) of the test's own,
// with a recorder in the notification service's place that plays the user.
#include "platform/desktop_notification.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "testkit/child_process.h"
#include "testkit/host.h"
#include "testkit/temp_folder.h"
#include "testkit/wait_until.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TEST(DesktopNotification, TheUsersChoiceComesBackAndANotificationLeftAloneIsWithdrawn) {
  TempFolder folder("ostrel-bus-");
  const std::string address = "unix:path=" + (folder.Path() / "bus").string();
  ChildProcess bus("dbus-daemon", {"--session", "--nofork", "--address=" + address});
  ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(folder.Path() / "bus"); },
                        std::chrono::seconds(10)));
  SetEnvironment("DBUS_SESSION_BUS_ADDRESS", address.c_str());

  struct Case {
    const char* answer;  // what the recorder does; none: nothing owns the name
    bool chosen;
    const char* recordEnd;  // the recorder's last line
  };
  const std::vector<Case> cases = {{"choose", true, "\"actions\": [\"default\", \"Open\"]}\n"},
                                   {"dismiss", false, "{\"closed\": 7}\n"},
                                   {nullptr, false, ""}};
  const auto record = folder.Path() / "record";
  for (const Case& c : cases) {
    std::optional<ChildProcess> recorder;
    if (c.answer != nullptr) {
      const auto ready = folder.Path() / (std::string("ready-") + c.answer);
      recorder.emplace(OSTREL_NOTIFICATION_RECORDER,
                       std::vector<std::string>{record.string(), ready.string(), c.answer});
      ASSERT_TRUE(
          WaitUntil([&] { return std::filesystem::exists(ready); }, std::chrono::seconds(20)));
    }
    std::string problem;
    EXPECT_EQ(platform::ShowDesktopNotification(
                  "Ostrel updates", "2 updates for Ostrel Accounts are ready to install",
                  std::chrono::seconds(20), problem),
              c.chosen);
    const std::string recorded = ReadAll(record);
    EXPECT_TRUE(recorded.ends_with(c.recordEnd)) << recorded;
    EXPECT_EQ(problem.empty(), c.answer != nullptr) << problem;
  }
  EXPECT_NE(
      ReadAll(record).find("{\"app\": \"ostrel-update\", \"summary\": \"Ostrel updates\", "
                           "\"body\": \"2 updates for Ostrel Accounts are ready to install\""),
      std::string::npos);
  UnsetEnvironment("DBUS_SESSION_BUS_ADDRESS");
}

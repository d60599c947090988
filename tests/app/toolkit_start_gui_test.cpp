#include "app/gui/toolkit_start.h"
#include "testkit/host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

std::optional<std::string> GlVariable() {
  const char* value = std::getenv("GDK_GL");
  return value == nullptr ? std::nullopt : std::optional<std::string>(value);
}

}  // namespace

TEST(ToolkitStart, TheToolkitStartsWithoutGlUnlessTheUserChoseAndTheVariableLeavesAfterwards) {
  const struct {
    std::optional<std::string> users;
    std::optional<std::string> whileStarting;
  } cases[] = {{std::nullopt, "disable"}, {"always", "always"}};
  for (const auto& c : cases) {
    if (c.users)
      SetEnvironment("GDK_GL", c.users->c_str());
    else
      UnsetEnvironment("GDK_GL");
    ToolkitStarting();
    EXPECT_EQ(GlVariable(), c.whileStarting);
    ToolkitStarted();
    EXPECT_EQ(GlVariable(), c.users);
  }
  UnsetEnvironment("GDK_GL");
}

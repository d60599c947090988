#include "support/error_list.h"

#include <gtest/gtest.h>

#include "testkit/desktop_recorder.h"
#include "testkit/temp_prefix.h"

namespace {
std::vector<std::string> Lines(int count) {
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i)
    lines.push_back("line " + std::to_string(i));
  return lines;
}
}  // namespace

TEST(ShowErrors, NoLinesShowAndWriteNothing) {
  TempPrefix prefix;
  DesktopRecorder desktop;
  ShowErrors({});
  EXPECT_TRUE(desktop.Messages().empty());
  EXPECT_TRUE(desktop.OpenedFiles().empty());
  EXPECT_FALSE(std::filesystem::exists(prefix.Host("c:\\temp\\errors.txt")));
}

TEST(ShowErrors, FortyLinesMakeOneMessageBoxEndingInCrLf) {
  TempPrefix prefix;
  DesktopRecorder desktop;
  ShowErrors(Lines(40));
  ASSERT_EQ(desktop.Messages().size(), 1u);
  const std::string text = desktop.Messages()[0];
  EXPECT_EQ(text.rfind("line 1\r\nline 2\r\n", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 9), "line 40\r\n");
  EXPECT_TRUE(desktop.OpenedFiles().empty());
}

TEST(ShowErrors, FortyOneLinesGoToErrorsTxtOpenedWithTheDefaultApplication) {
  TempPrefix prefix;
  DesktopRecorder desktop;
  prefix.WriteFile("c:\\temp\\errors.txt", "an older, longer list\r\n");
  ShowErrors(Lines(41));
  EXPECT_TRUE(desktop.Messages().empty());
  EXPECT_EQ(desktop.OpenedFiles(), std::vector<std::string>{"c:\\temp\\errors.txt"});
  std::string expected;
  for (const auto& line : Lines(41))
    expected += line + "\r\n";
  EXPECT_EQ(prefix.ReadFile("c:\\temp\\errors.txt"), expected);
}

#include "support/log.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <thread>

#include "support/settings.h"
#include "testkit/temp_prefix.h"

TEST(Log, LinesCarryTheTimestampAndCrLfAndPercentSurvivesThroughS) {
  TempPrefix prefix;
  Log("parsing command line");
  Log("%s", "100% done");
  Log("downloading %s to %s", "a", "b");
  const std::regex line(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d: (.*)\r)");
  std::istringstream in(prefix.LogText());
  std::vector<std::string> texts;
  for (std::string raw; std::getline(in, raw);) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(raw, m, line)) << raw;
    texts.push_back(m[1]);
  }
  EXPECT_EQ(texts,
            (std::vector<std::string>{"parsing command line", "100% done", "downloading a to b"}));
}

TEST(Log, EachRunStartsAFreshLog) {
  TempPrefix prefix;
  Log("first run");
  RestartLog();
  Log("second run");
  const std::string text = prefix.LogText();
  EXPECT_EQ(text.find("first run"), std::string::npos);
  EXPECT_NE(text.find("second run"), std::string::npos);
}

TEST(Log, TwoThreadsLeaveOnlyWholeLines) {
  TempPrefix prefix;
  constexpr int kEach = 10000;
  auto writer = [](char tag) {
    for (int i = 0; i < kEach; ++i)
      Log("%c line %d of a long enough message", tag, i);
  };
  std::thread a(writer, 'A');
  std::thread b(writer, 'B');
  a.join();
  b.join();
  const std::regex line(
      R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d: [AB] line \d+ of a long enough message\r)");
  std::istringstream in(prefix.LogText());
  int count = 0;
  for (std::string raw; std::getline(in, raw); ++count)
    ASSERT_TRUE(std::regex_match(raw, line)) << raw;
  EXPECT_EQ(count, 2 * kEach);
}

TEST(Log, AWorkingFolderThatCannotBeMadeSendsTheLogToStandardErrorWithTheReason) {
  TempPrefix prefix;
  WriteProfileString("paths", "temp", "c:\\no\\such\\folder");
  testing::internal::CaptureStderr();
  Log("goes nowhere");
  Log("%s", "nor this");
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(std::filesystem::exists(prefix.Host("c:\\no")));
  const std::regex lines(
      "ostrel-update: c:\\\\no\\\\such\\\\folder\\\\log.txt cannot be written \\(No such file or "
      R"(directory\); the log goes here instead\r?\n)"
      R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d: goes nowhere\r?\n)"
      R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d: nor this\r?\n)");
  EXPECT_TRUE(std::regex_match(said, lines)) << said;
}

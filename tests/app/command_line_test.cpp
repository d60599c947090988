#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {
CUpdateCommandLineInfo Parse(const std::vector<std::string>& arguments) {
  CUpdateCommandLineInfo info;
  ParseCommandLine(arguments, info);
  return info;
}
}  // namespace

TEST(CommandLine, NoArgumentsGiveAnEmptyMap) {
  EXPECT_EQ(Parse({}).m_Options.Size(), 0u);
}

TEST(CommandLine, FlagsAreUpperCasedAndSetToT) {
  const auto info = Parse({"/dllcheck", "-All", "/RUN", "/run"});
  EXPECT_EQ(info.m_Options.Get("DLLCHECK"), "T");
  EXPECT_EQ(info.m_Options.Get("ALL"), "T");
  EXPECT_EQ(info.m_Options.Get("RUN"), "T");
  EXPECT_EQ(info.m_Options.Size(), 3u);
}

TEST(CommandLine, SelTakesTheUpperCasedNameAndAddsItsOwnKey) {
  const auto info = Parse({"/sel:Abc"});
  EXPECT_EQ(info.m_Options.Get("sel"), "ABC");
  EXPECT_EQ(info.m_Options.Get("SEL:ABC"), "T");
  EXPECT_EQ(Parse({"/SEL:"}).m_Options.Get("sel"), "");
}

TEST(CommandLine, SkinTakesTheNextPlainArgumentEvenAfterOtherFlags) {
  const auto lower = Parse({"/s", "Blue"});
  EXPECT_EQ(lower.m_Options.Get("S"), "Blue");
  EXPECT_TRUE(lower.m_strFileName.empty());

  const auto later = Parse({"/S", "/ALL", "x"});
  EXPECT_EQ(later.m_Options.Get("S"), "x");
  EXPECT_EQ(later.m_Options.Get("ALL"), "T");

  EXPECT_FALSE(Parse({"/ALL", "/S"}).m_Options.Contains("S"));
}

TEST(CommandLine, APlainArgumentWithoutPendingSkinGoesOnlyToTheStandardParser) {
  const auto info = Parse({"catalogue.upd", "second"});
  EXPECT_EQ(info.m_Options.Size(), 0u);
  EXPECT_EQ(info.m_strFileName, "catalogue.upd");
}

TEST(CommandLine, ReadingAnAbsentKeyGivesEmptyAndLeavesItPresent) {
  auto info = Parse({});
  EXPECT_EQ(info.m_Options["ALL"], "");
  EXPECT_TRUE(info.m_Options.Contains("ALL"));
  EXPECT_FALSE(info.m_Options.IsTrue("ALL"));
}

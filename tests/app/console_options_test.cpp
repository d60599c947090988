#include "app/console_options.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(ConsoleOptions, OnlyAnExactDoubleDashOptionIsAnswered) {
  struct Case {
    std::vector<std::string> arguments;
    std::optional<int> status;
    std::string firstLine;
  };
  const Case cases[] = {
      {{}, std::nullopt, ""},
      {{"/S", "gresmo", "/ALL"}, std::nullopt, ""},
      // The suite's own single-dash spellings keep their meaning.
      {{"-version", "-help", "/HELP"}, std::nullopt, ""},
      {{"--Version", "--helpme", "--"}, std::nullopt, ""},
      {{"--version"}, 0, "ostrel-update " OSTREL_TEST_VERSION},
      {{"/DLLCHECK", "--help"}, 0, "Usage: ostrel-update [OPTION]..."},
      {{"--help", "--version"}, 0, "Usage: ostrel-update [OPTION]..."},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    EXPECT_EQ(AnswerConsoleOption(c.arguments, out), c.status) << c.arguments.size();
    EXPECT_EQ(out.str().substr(0, out.str().find('\n')), c.firstLine);
  }
}

TEST(ConsoleOptions, HelpListsEveryOption) {
  std::ostringstream out;
  AnswerConsoleOption({"--help"}, out);
  for (const char* option : {"/S name", "/SEL:name", "/DLLCHECK", "/ALL", "/RUN", "--version"})
    EXPECT_NE(out.str().find(option), std::string::npos) << option;
}

TEST(ConsoleOptions, AnAnswerThatCannotBeWrittenFails) {
  std::ostringstream out;
  out.setstate(std::ios::badbit);
  EXPECT_EQ(AnswerConsoleOption({"--version"}, out), 1);
}

TEST(ConsoleOptions, InstallBridgeIsAnOptionOnlyWhereTheBuildHasABridge) {
  std::ostringstream out;
  EXPECT_EQ(AnswerConsoleOption({"--install-bridge"}, out), std::nullopt);
  AnswerConsoleOption({"--help"}, out);
  EXPECT_EQ(out.str().find("--install-bridge"), std::string::npos);
  int installs = 0;
  const auto install = [&installs] { return ++installs == 1 ? 1 : 0; };
  EXPECT_EQ(AnswerConsoleOption({"/ALL", "--install-bridge"}, out, install), 1);
  EXPECT_EQ(installs, 1);
  AnswerConsoleOption({"--help"}, out, install);
  EXPECT_NE(out.str().find("--install-bridge"), std::string::npos);
}

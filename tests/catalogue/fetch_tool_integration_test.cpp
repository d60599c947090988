// ostrel-fetch as an administrator runs it: a real process against the
// loopback server.
#include <gtest/gtest.h>

#include <string>

#include "testkit/child_process.h"
#include "testkit/loopback_server.h"
#include "testkit/temp_prefix.h"

namespace {

struct Outcome {
  int status = -1;
  std::string errors;
};

// Runs the tool with `input` as its standard input (a file, not a terminal).
Outcome RunFetch(const TempPrefix& prefix, const std::string& source, const std::string& target,
                 const std::string& input = "") {
  const auto inputFile = prefix.Root() / "stdin.txt";
  const auto errorFile = prefix.Root() / "stderr.txt";
  WriteHostFile(inputFile, input);
  ChildProcess::Options streams;
  streams.input = inputFile;
  streams.errors = errorFile;
  Outcome outcome;
  outcome.status = ChildProcess(OSTREL_FETCH_TOOL, {source, target}, streams).Wait().value_or(-1);
  outcome.errors = ReadHostFile(errorFile);
  // A Windows console program ends its lines with CR LF.
  std::erase(outcome.errors, '\r');
  return outcome;
}

TEST(FetchTool, ExitStatusTellsTheOutcomeAndMessagesGoToStandardError) {
  TempPrefix prefix;
  LoopbackServer server;
  server.AddFile("download.xml", "<Downloads/>");
  const Outcome saved = RunFetch(prefix, server.Url("download.xml"), "c:\\temp\\temp.xml");
  EXPECT_EQ(saved.status, 0);
  EXPECT_EQ(saved.errors, "");
  EXPECT_EQ(prefix.ReadFile("c:\\temp\\temp.xml"), "<Downloads/>");
  EXPECT_NE(prefix.LogText().find("downloading " + server.Url("download.xml")), std::string::npos);

  const std::string url = server.Url("-/status/404");
  const Outcome failed = RunFetch(prefix, url, (prefix.Root() / "x.xml").string());
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.errors, "message: Download from " + url +
                               " failed. Please make sure your firewall allows "
                               "c:\\ostrel\\update.exe to access the internet. Alternatively "
                               "visit www.ostrel.co.uk and download from there.\n");
}

TEST(FetchTool, ReadsTheLoginFromTwoLinesOfInputAndAnEmptyNameCancels) {
  TempPrefix prefix;
  LoopbackServer server({.extraArgs = {"--auth", "anna:s3cret", "--auth-scheme", "digest"}});
  server.AddFile("setup.exe", "MZ");
  const auto target = (prefix.Root() / "setup.exe").string();
  EXPECT_EQ(RunFetch(prefix, server.Url("setup.exe"), target, "anna\ns3cret\n").status, 0);
  EXPECT_EQ(ReadHostFile(target), "MZ");

  const Outcome cancelled = RunFetch(prefix, server.Url("setup.exe"), target, "\n");
  EXPECT_EQ(cancelled.status, 1);
  EXPECT_EQ(cancelled.errors, "message: Access denied: Invalid password\n");
}

}  // namespace

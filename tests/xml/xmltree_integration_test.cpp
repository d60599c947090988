// ostrel-xmltree, run as a separate program on real files.
#include <gtest/gtest.h>

#include "testkit/child_process.h"
#include "testkit/temp_prefix.h"

namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

// A console program on Windows ends its lines as Windows text does.
std::string Lines(std::string text) {
#ifdef _WIN32
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
    text.erase(at, 1);
#endif
  return text;
}

ToolRun RunTool(const TempPrefix& prefix, const std::string& argument) {
  const auto out = prefix.Root() / "out.txt";
  const auto err = prefix.Root() / "err.txt";
  ChildProcess::Options streams;
  streams.output = out;
  streams.errors = err;
  const int status = ChildProcess(OSTREL_XMLTREE, {argument}, streams).Wait().value_or(-1);
  return {status, Lines(ReadHostFile(out)), Lines(ReadHostFile(err))};
}

}  // namespace

TEST(XmlTree, PrintsEveryNodeWithItsOrdinalAttributesValueAndInstructions) {
  TempPrefix prefix;
  const auto file = prefix.Root() / "download.xml";
  WriteHostFile(
      file,
      "<?xml version=\"1.0\"?>\r\n<?xml-stylesheet href=\"s.xsl\"?>\r\n"
      "<Catalogue>\r\n <Downloads z=\"2\" a=\"q&quot;\\\">\r\n  <Item><Info>i.txt</Info></Item>\r\n"
      "  <Item><Description>Tab\there\x80</Description></Item>\r\n"
      "  <!-- c --></Downloads>\r\n</Catalogue>\r\n");
  ToolRun run = RunTool(prefix, file.string());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "Catalogue#0 = \"\\n \"\n"
            "  ~?xml-stylesheet#0 href=\"s.xsl\" type=\"text/xsl\"\n"
            "  Downloads#0 a=\"q\\\"\\\\\" z=\"2\" = \"\\n  \"\n"
            "    Item#0\n"
            "      Info#0 = \"i.txt\"\n"
            "    Item#1\n"
            "      Description#0 = \"Tab\\there\\x80\"\n"
            "    !#0 = \"!-- c --\"\n");
}

TEST(XmlTree, LinesDeeperThan200LevelsCarryTheirDepthInsteadOfIndentation) {
  TempPrefix prefix;
  const auto file = prefix.Root() / "deep.xml";
  std::string deep;
  for (int i = 0; i < 203; ++i)
    deep += "<a>";
  WriteHostFile(file, deep);
  ToolRun run = RunTool(prefix, file.string());
  EXPECT_EQ(run.status, 0);
  const std::size_t depth200 = run.out.find(std::string(400, ' ') + "a#0\n");
  ASSERT_NE(depth200, std::string::npos);
  EXPECT_EQ(run.out.substr(depth200 + 404), "[201] a#0\n[202] a#0\n");
}

TEST(XmlTree, AFileThatCannotBeOpenedExitsWithStatusTwoAndAMessage) {
  TempPrefix prefix;
  ToolRun run = RunTool(prefix, (prefix.Root() / "missing.xml").string());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("missing.xml"), std::string::npos);
}

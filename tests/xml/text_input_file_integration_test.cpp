#include "xml/text_input_file.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "testkit/temp_prefix.h"
#include "xml/xml_var.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
  TextInputFile in(path);
  EXPECT_TRUE(in.good());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(TextInputFile, CrLfArrivesAsLfAcrossBlockBoundariesAndALoneCrStays) {
  TempPrefix prefix;
  const auto path = prefix.Root() / "text.xml";
  // CR LF pairs split by the 64 KiB block boundary, and a CR at the very end.
  std::string raw(64 * 1024 - 1, 'a');
  raw += "\r\nb\rc\r\r\n";
  const std::string fill(64 * 1024 - raw.size() % (64 * 1024) - 1, 'd');
  raw += fill;
  raw += "\r";
  WriteHostFile(path, raw + "\n\r\r");
  std::string expected(64 * 1024 - 1, 'a');
  expected += "\nb\rc\r\n";
  expected += fill;
  EXPECT_EQ(ReadAll(path), expected + "\n\r\r");
}

TEST(TextInputFile, ADocumentReadsTheSameWithEitherLineEnding) {
  TempPrefix prefix;
  const std::string lf = "<Files>\n  <File path=\"a\nb\"/>\n  x\n</Files>\n";
  std::string crlf;
  for (char c : lf)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  WriteHostFile(prefix.Root() / "crlf.xml", crlf);
  TextInputFile in(prefix.Root() / "crlf.xml");
  CXMLVar root("");
  root.ParseDocument(in);
  EXPECT_EQ(root.m_strValue, "\n  ");
  EXPECT_EQ(root.FindChild("File")->GetAttribute("path"), "a\nb");
  EXPECT_EQ(root.FindChild("#text")->m_strValue, "\n  x");
}

TEST(TextInputFile, AMissingFileOrAFolderIsNotGoodAndReadsAsAnEmptyDocument) {
  TempPrefix prefix;
  for (const auto& path : {prefix.Root() / "missing.xml", prefix.Root()}) {
    TextInputFile in(path);
    EXPECT_FALSE(in.is_open());
    EXPECT_FALSE(in.good());
    CXMLVar root("");
    root.ParseDocument(in);
    EXPECT_EQ(root.m_strName, "");
    EXPECT_TRUE(root.Children().empty());
  }
}

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
  raw += "\r\n\r\r";
  WriteHostFile(path, raw);
  std::string expected(64 * 1024 - 1, 'a');
  expected += "\nb\rc\r\n";
  expected += fill;
  expected += "\n\r\r";
  EXPECT_EQ(ReadAll(path), expected);
  // The same bytes from memory read the same.
  TextInputFile fromMemory(TextInputFile::Contents{raw});
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(fromMemory), {}), expected);
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

TEST(TextInputFile, ACtrlZEndsTheTextOnWindowsAsItsTextModeDoesAndIsAByteOnLinux) {
  TempPrefix prefix;
  const auto path = prefix.Root() / "download.xml";
  const std::string raw = "<Downloads>\r\n<Item/>\r\x1A\r\n<Item/></Downloads>";
  WriteHostFile(path, raw);
#ifdef _WIN32
  const std::string expected = "<Downloads>\n<Item/>\r";
#else
  const std::string expected = "<Downloads>\n<Item/>\r\x1A\n<Item/></Downloads>";
#endif
  EXPECT_EQ(ReadAll(path), expected);
  TextInputFile fromMemory(TextInputFile::Contents{raw});
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(fromMemory), {}), expected);
}

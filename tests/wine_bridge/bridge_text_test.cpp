// The bridge's command line and trailer, on the Linux side of the build.
#include "wine_bridge/bridge_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Quoted(const std::wstring& argument) {
  wchar_t line[64] = L"x";
  size_t used = 1;
  if (bridge_append_argument(line, 64, &used, argument.c_str()) != 0)
    return L"(does not fit)";
  return std::wstring(line + 2, line + used);
}

long PathIn(const std::string& tail, std::string& path) {
  const unsigned char* first = nullptr;
  const long length =
      bridge_trailer_path(reinterpret_cast<const unsigned char*>(tail.data()), tail.size(), &first);
  if (length > 0)
    path.assign(reinterpret_cast<const char*>(first), static_cast<std::size_t>(length));
  return length;
}

std::string Trailer(const std::string& path, std::size_t declared) {
  std::string trailer = path;
  for (int shift = 0; shift < 32; shift += 8)
    trailer += static_cast<char>((declared >> shift) & 0xFF);
  return trailer + BRIDGE_TRAILER_MARK;
}

}  // namespace

TEST(BridgeCommandLine, EachArgumentComesBackWholeFromWindowsSplitting) {
  const struct {
    const wchar_t* argument;
    const wchar_t* quoted;
  } cases[] = {
      {L"/DLLCHECK", L"/DLLCHECK"},
      {L"c:\\ostrel\\", L"c:\\ostrel\\"},  // backslashes alone are plain
      {L"", L"\"\""},
      {L"/SEL:a b", L"\"/SEL:a b\""},
      {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
      {L"c:\\my dir\\", L"\"c:\\my dir\\\\\""},  // doubled before the closing quote
      {L"a\\\\\"b", L"\"a\\\\\\\\\\\"b\""},
      {L"tab\there", L"\"tab\there\""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Quoted(c.argument), c.quoted) << c.argument;
}

TEST(BridgeCommandLine, AnArgumentThatDoesNotFitLeavesTheLineAsItWas) {
  wchar_t line[8] = L"sh";
  size_t used = 2;
  EXPECT_EQ(bridge_append_argument(line, 8, &used, L"12345"), -1);
  EXPECT_EQ(used, 2u);
  EXPECT_STREQ(line, L"sh");
  EXPECT_EQ(bridge_append_argument(line, 8, &used, L"1234"), 0);
  EXPECT_STREQ(line, L"sh 1234");
}

TEST(BridgeTrailer, OnlyAWellFormedTrailerNamesAnUpdater) {
  std::string path;
  EXPECT_EQ(PathIn("MZ program bytes" + Trailer("/usr/bin/ostrel-update", 22), path), 22);
  EXPECT_EQ(path, "/usr/bin/ostrel-update");
  const struct {
    const char* what;
    std::string tail;
  } refused[] = {
      {"no trailer", "MZ program bytes ending in anything"},
      {"too short", "bridge-1\n"},
      {"a length past the start", Trailer("/x", 3)},
      {"an empty path", Trailer("", 0)},
      {"a path too long", Trailer(std::string(5000, 'a'), 5000)},
      {"a zero byte", Trailer(std::string("/a\0b", 4), 4)},
  };
  for (const auto& c : refused)
    EXPECT_EQ(PathIn(c.tail, path), -1) << c.what;
}

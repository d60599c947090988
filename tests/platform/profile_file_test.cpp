#include "platform/profile_file.h"

#include <gtest/gtest.h>

#include <climits>

#include <filesystem>

#include "testkit/host.h"
#include "testkit/temp_prefix.h"

using platform::FindProfileValue;
using platform::ParseProfileInteger;
using platform::ProfileFile;
using platform::WithProfileValue;

namespace {

const std::string kShared =
    "; written by the payroll program\r\n"
    "[Payroll]\r\n"
    "LastRun = 03/04/2021\r\n"
    "\r\n"
    "[PATHS]\r\n"
    "   Install   =   c:\\ostrel\\progs  \r\n"
    "temp=\"c:\\my temp\"\r\n"
    "\r\n"
    "[other]\r\n"
    "x=1\r\n";

}  // namespace

TEST(ProfileRead, NamesMatchWithoutCaseAndBlanksAndQuotesAreDropped) {
  EXPECT_EQ(FindProfileValue(kShared, "paths", "install"), "c:\\ostrel\\progs");
  EXPECT_EQ(FindProfileValue(kShared, "Paths", "TEMP"), "c:\\my temp");
  EXPECT_EQ(FindProfileValue(kShared, "payroll", "lastrun"), "03/04/2021");
  EXPECT_EQ(FindProfileValue(kShared, "paths", "x"), std::nullopt);
  EXPECT_EQ(FindProfileValue(kShared, "nosuch", "x"), std::nullopt);
  EXPECT_EQ(FindProfileValue(kShared, "payroll", "; written by the payroll program"), std::nullopt);
}

TEST(ProfileRead, LfAndCrLfFilesReadAlike) {
  EXPECT_EQ(FindProfileValue("[a]\nk=v\n", "a", "k"), "v");
  EXPECT_EQ(FindProfileValue("[a]\r\nk=v\r\n", "a", "k"), "v");
  EXPECT_EQ(FindProfileValue("[a]\r\nk=v", "a", "k"), "v");
}

TEST(ProfileRead, IntegersSaturateAndAbsentOrEmptyValuesGiveTheDefault) {
  EXPECT_EQ(ParseProfileInteger("  42abc"), 42);
  EXPECT_EQ(ParseProfileInteger("-7"), -7);
  EXPECT_EQ(ParseProfileInteger("+3"), 3);
  EXPECT_EQ(ParseProfileInteger("x1"), 0);
  EXPECT_EQ(ParseProfileInteger("99999999999999999999"), INT_MAX);
  EXPECT_EQ(ParseProfileInteger("-99999999999999999999"), INT_MIN);
  EXPECT_EQ(ParseProfileInteger("2147483647"), INT_MAX);
  EXPECT_EQ(ParseProfileInteger("2147483648"), INT_MAX);
  EXPECT_EQ(ParseProfileInteger("-2147483648"), INT_MIN);
  EXPECT_EQ(ParseProfileInteger("-2147483649"), INT_MIN);

  TempPrefix prefix;
  const auto path = prefix.Root() / "a.ini";
  WriteHostFile(path, "[advanced]\r\nsim=1\r\nempty=\r\nneg=-1\r\n");
  ProfileFile file(path);
  EXPECT_EQ(file.ReadInt("advanced", "sim", 0), 1u);
  EXPECT_EQ(file.ReadInt("advanced", "empty", 5), 5u);
  EXPECT_EQ(file.ReadInt("advanced", "absent", 9), 9u);
  EXPECT_EQ(file.ReadInt("advanced", "neg", 0), 0xFFFFFFFFu);
  EXPECT_EQ(ProfileFile(prefix.Root() / "missing.ini").ReadString("a", "b", "dflt"), "dflt");
}

namespace {

// A file as Notepad saves it in UTF-16: the byte-order mark, then the units.
std::string Utf16File(std::u16string_view text, bool bigEndian = false) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

}  // namespace

TEST(ProfileEncodings, FilesWithAByteOrderMarkAreReadAndWrittenInTheirOwnEncoding) {
  const std::string bom = "\xEF\xBB\xBF";
  const std::u16string lone(1, char16_t{0xD800});  // half a pair, left alone
  const struct {
    const char* name;
    std::string file;
    std::optional<std::string> publickey;  // [internet] publickey as read, in Windows-1252
    std::string section, key, value;       // a write, in Windows-1252
    std::string written;                   // the file after it
  } cases[] = {
      {"UTF-8: the first section is not hidden, and no second one is added",
       bom + "[internet]\r\npublickey=abc\r\n", "abc", "internet", "update1", "02/01/2024",
       bom + "[internet]\r\npublickey=abc\r\nupdate1=02/01/2024\r\n"},
      {"UTF-16 LE with CR LF; Windows-1252 letters become their characters",
       Utf16File(u"[internet]\r\npublickey=abc\r\n[other]\r\nname=Zo\u00eb\r\n"), "abc", "internet",
       "publickey", "\xE9t\xE9",
       Utf16File(u"[internet]\r\npublickey=\u00e9t\u00e9\r\n[other]\r\nname=Zo\u00eb\r\n")},
      {"UTF-16 BE with LF", Utf16File(u"[general]\nskin=ostrel\n", true), std::nullopt, "paths",
       "install", "c:\\x", Utf16File(u"[general]\nskin=ostrel\n[paths]\ninstall=c:\\x\n", true)},
      {"a key Windows-1252 cannot hold reads as present, and others' lines stay as they were",
       bom + "[internet]\r\npublickey=\xD0\xBA\xD0\xBB\r\n[\xD0\xB4]\r\nk=\xFF\r\n", "??",
       "internet", "update1", "1",
       bom + "[internet]\r\npublickey=\xD0\xBA\xD0\xBB\r\nupdate1=1\r\n[\xD0\xB4]\r\nk=\xFF\r\n"},
      {"UTF-16: a lone surrogate and an odd last byte survive a write",
       Utf16File(u"[a]\r\nk=" + lone + u"\r\n[internet]\r\npublickey=x\r\n") + "\x01", "x",
       "internet", "publickey", "y",
       Utf16File(u"[a]\r\nk=" + lone + u"\r\n[internet]\r\npublickey=y\r\n") + "\x01"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindProfileValue(c.file, "INTERNET", "PublicKey"), c.publickey);
    EXPECT_EQ(WithProfileValue(c.file, c.section, c.key, c.value), c.written);
    EXPECT_EQ(FindProfileValue(c.written, c.section, c.key), c.value);
  }
}

TEST(ProfileWrite, ChangesOnlyItsOwnLineAndKeepsEveryOtherByte) {
  const std::string changed = WithProfileValue(kShared, "paths", "INSTALL", "d:\\suite");
  std::string expected = kShared;
  expected.replace(expected.find("   Install   =   c:\\ostrel\\progs  "),
                   std::string("   Install   =   c:\\ostrel\\progs  ").size(),
                   "   Install=d:\\suite");
  EXPECT_EQ(changed, expected);
}

TEST(ProfileWrite, AddsAKeyAtTheEndOfItsSectionAndASectionAtTheEndOfTheFile) {
  EXPECT_EQ(WithProfileValue(kShared, "payroll", "next", "1"),
            "; written by the payroll program\r\n[Payroll]\r\nLastRun = 03/04/2021\r\nnext=1\r\n"
            "\r\n[PATHS]\r\n   Install   =   c:\\ostrel\\progs  \r\ntemp=\"c:\\my temp\"\r\n"
            "\r\n[other]\r\nx=1\r\n");
  EXPECT_EQ(WithProfileValue(kShared, "general", "skin", "gresmo"),
            kShared + "[general]\r\nskin=gresmo\r\n");
  EXPECT_EQ(WithProfileValue("[a]\nk=v", "b", "x", "y"), "[a]\nk=v\n[b]\nx=y\n");
  EXPECT_EQ(WithProfileValue("", "general", "skin", "Lumbry"), "[general]\r\nskin=Lumbry\r\n");
}

TEST(ProfileWrite, OnDiskOnlyTheOneLineChangesAndNoTemporaryFileIsLeft) {
  SKIP_ON_WINDOWS(
      "Our own writer's byte-for-byte promise: the system's profile functions write the file on "
      "Windows (Wine's lay every line out afresh)");
  TempPrefix prefix;
  const auto path = prefix.Root() / "ostrel.ini";
  WriteHostFile(path, kShared);
  ProfileFile file(path);
  ASSERT_TRUE(file.Write("other", "X", "2"));
  std::string expected = kShared;
  expected.replace(expected.rfind("x=1"), 3, "x=2");
  EXPECT_EQ(ReadHostFile(path), expected);
  EXPECT_EQ(file.ReadString("OTHER", "x", ""), "2");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(prefix.Root())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(ProfileWrite, JunkNamesAndValuesAreRefusedAndLeaveTheFileUntouched) {
  TempPrefix prefix;
  const auto path = prefix.Root() / "ostrel.ini";
  WriteHostFile(path, kShared);
  ProfileFile file(path);
  const std::string longestValue(ProfileFile::kLongestValue, 'v');
  const std::string longestName(ProfileFile::kLongestName, 'k');
  const struct {
    std::string section, key, value;
  } refused[] = {
      {"paths", "install", "x\r\n[general]\r\nskin=evil"},
      {"paths]\r\n[x", "k", "v"},
      {"paths", "a=b", "v"},
      {"internet", std::string("update\0x", 8), "01/01/2024"},
      {"internet", "update\x1b", "v"},
      {"internet\t", "k", "v"},
      {"paths", "install", std::string("c:\0x", 4)},
      {"internet", "k", longestValue + "v"},
      {"internet", longestName + "k", "v"},
      {longestName + "s", "k", "v"},
  };
  for (const auto& write : refused)
    EXPECT_FALSE(file.Write(write.section, write.key, write.value)) << write.key.size();
  EXPECT_EQ(ReadHostFile(path), kShared);
  EXPECT_TRUE(file.Write(longestName, longestName, longestValue));
  EXPECT_EQ(file.ReadString(longestName, longestName, ""), longestValue);
}

#ifndef _WIN32  // POSIX links and modes
TEST(ProfileWrite, AWriteGoesThroughALinkAndKeepsTheFilesMode) {
  TempPrefix prefix;
  const auto real = prefix.Root() / "real.ini";
  const auto link = prefix.Root() / "link.ini";
  WriteHostFile(real, "[a]\r\nk=1\r\n");
  std::filesystem::permissions(real, std::filesystem::perms(0640));
  std::filesystem::create_symlink(real, link);
  ASSERT_TRUE(ProfileFile(link).Write("a", "k", "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadHostFile(real), "[a]\r\nk=2\r\n");
  EXPECT_EQ(std::filesystem::status(real).permissions(), std::filesystem::perms(0640));
}
#endif

// The temporaries of ReplacementFile beyond one object's life, on real files.
#include "platform/temporary_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/replacement_file.h"
#include "testkit/temp_prefix.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

struct NameCase {
  const char* name;
  bool ours;
};

class TemporaryName : public ::testing::TestWithParam<NameCase> {};

}  // namespace

TEST_P(TemporaryName, IsOursOnlyWhenHiddenWithEightLowerCaseHexDigitsAndPart) {
  EXPECT_EQ(platform::IsTemporaryName(GetParam().name), GetParam().ours) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, TemporaryName,
                         ::testing::Values(NameCase{".setup.exe.0123abcd.part", true},
                                           NameCase{"..0123abcd.part", true},
                                           NameCase{".a b.ffffffff.part", true},
                                           NameCase{"setup.exe.0123abcd.part", false},
                                           NameCase{".setup.exe.0123ABCD.part", false},
                                           NameCase{".setup.exe.0123abc.part", false},
                                           NameCase{".setup.exe-0123abcd.part", false},
                                           NameCase{".setup.exe.0123abcd.part.x", false},
                                           NameCase{".0123abcd.part", false}));

TEST(TemporaryFiles, AReplacementFileMadeNowHasANameOfOurs) {
  TempPrefix prefix;
  platform::ReplacementFile file(prefix.Root() / "setup.exe");
  ASSERT_TRUE(file.Open());
  EXPECT_TRUE(platform::IsTemporaryName(file.TemporaryPath().filename().string()));
}

TEST(TemporaryFiles, OnlyFilesStillBeingWrittenAreRemovedOnTheWayOut) {
  TempPrefix prefix;
  platform::ReplacementFile committed(prefix.Root() / "done.exe");
  platform::ReplacementFile live(prefix.Root() / "setup.exe");
  ASSERT_TRUE(committed.Open() && live.Open());
  ASSERT_TRUE(committed.Commit());
  platform::RemoveLiveTemporaries();
  EXPECT_FALSE(fs::exists(live.TemporaryPath()));
  EXPECT_TRUE(fs::exists(prefix.Root() / "done.exe"));
}

TEST(TemporaryFiles, StaleTemporariesGoAndEverythingElseStays) {
  TempPrefix prefix;
  const fs::path folder = prefix.Root() / "temp";
  fs::create_directories(folder / ".sub.0123abcd.part");
  WriteHostFile(folder / ".setup.exe.0123abcd.part", "half");
  WriteHostFile(folder / "setup.exe", "whole");
  WriteHostFile(folder / ".notes.part", "mine");
  fs::create_symlink(folder / "setup.exe", folder / ".link.0123abcd.part");
  EXPECT_EQ(platform::RemoveStaleTemporaries(folder), 1u);
  EXPECT_EQ(Names(folder), (std::set<std::string>{".sub.0123abcd.part", "setup.exe",
                                                  ".notes.part", ".link.0123abcd.part"}));
}

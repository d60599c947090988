// The temporaries of ReplacementFile beyond one object's life, on real files.
#include "platform/temporary_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/replacement_file.h"
#include "testkit/host.h"
#include "testkit/temp_prefix.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

}  // namespace

TEST(TemporaryFiles, ANameIsOursOnlyWhenHiddenWithEightLowerCaseHexDigitsAndPart) {
  const struct {
    const char* name;
    bool ours;
  } cases[] = {
      {".setup.exe.0123abcd.part", true},  {"..0123abcd.part", true},
      {".a b.ffffffff.part", true},        {"setup.exe.0123abcd.part", false},
      {".setup.exe.0123ABCD.part", false}, {".setup.exe.0123abc.part", false},
      {".setup.exe-0123abcd.part", false}, {".setup.exe.0123abcd.part.x", false},
      {".0123abcd.part", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::IsTemporaryName(c.name), c.ours) << c.name;
}

TEST(TemporaryFiles, OnlyFilesStillBeingWrittenAreRemovedOnTheWayOut) {
  SKIP_ON_WINDOWS(
      "A file still open for writing loses its name when its process ends, not before: Windows "
      "removes no open file");
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
  SKIP_ON_WINDOWS("POSIX modes and symbolic links");
  TempPrefix prefix;
  const fs::path folder = prefix.Root() / "temp";
  fs::create_directories(folder / ".sub.0123abcd.part");
  WriteHostFile(folder / ".setup.exe.0123abcd.part", "half");
  WriteHostFile(folder / "setup.exe", "whole");
  WriteHostFile(folder / ".notes.part", "mine");
  fs::create_symlink(folder / "setup.exe", folder / ".link.0123abcd.part");
  EXPECT_EQ(platform::RemoveStaleTemporaries(folder), 1u);
  EXPECT_EQ(Names(folder), (std::set<std::string>{".sub.0123abcd.part", "setup.exe", ".notes.part",
                                                  ".link.0123abcd.part"}));
}

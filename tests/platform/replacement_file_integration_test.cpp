#include "platform/replacement_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testkit/temp_prefix.h"

using platform::ReplacementFile;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ReplacementFile, WithoutCommitTheEarlierFileStaysAndNothingIsLeftBehind) {
  TempPrefix prefix;
  const fs::path target = prefix.Root() / "setup.exe";
  WriteHostFile(target, "earlier");
  {
    ReplacementFile file(target);
    ReplacementFile other(target);
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(other.Open());
    EXPECT_NE(file.TemporaryPath(), other.TemporaryPath());
    ASSERT_TRUE(file.Write("partial", 7));
    EXPECT_EQ(file.TemporaryPath().parent_path(), prefix.Root());
  }
  EXPECT_EQ(ReadHostFile(target), "earlier");
  EXPECT_EQ(Names(prefix.Root()), std::vector<std::string>{"setup.exe"});
}

TEST(ReplacementFile, AMissingFolderOrAFolderInTheWayFailsWithTheReason) {
  TempPrefix prefix;
  ReplacementFile nowhere(prefix.Root() / "missing" / "setup.exe");
  EXPECT_FALSE(nowhere.Open());
  EXPECT_EQ(nowhere.Error(), "create: No such file or directory");

  fs::create_directory(prefix.Root() / "setup.exe");
  ReplacementFile blocked(prefix.Root() / "setup.exe");
  ASSERT_TRUE(blocked.Open());
  EXPECT_FALSE(blocked.Commit());
  EXPECT_EQ(Names(prefix.Root()), std::vector<std::string>{"setup.exe"});
}

}  // namespace

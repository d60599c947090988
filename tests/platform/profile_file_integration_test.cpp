// Two real processes writing the shared settings file at the same moment.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "platform/profile_file.h"
#include "testkit/temp_prefix.h"

using platform::ProfileFile;

namespace {

constexpr int kKeysEach = 200;

pid_t WriteKeysInChild(const std::filesystem::path& path, const std::string& section) {
  const pid_t pid = fork();
  if (pid == 0) {
    ProfileFile file(path);
    for (int i = 0; i < kKeysEach; ++i) {
      if (!file.Write(section, "key" + std::to_string(i), std::to_string(i)))
        _exit(1);
    }
    _exit(0);
  }
  return pid;
}

}  // namespace

TEST(ProfileFileConcurrency, TwoProcessesEachWriting200KeysLoseNone) {
  TempPrefix prefix;
  const auto path = prefix.Root() / "ostrel.ini";
  WriteHostFile(path, "; shared\r\n[other]\r\nkeep=me\r\n");
  const pid_t first = WriteKeysInChild(path, "first");
  const pid_t second = WriteKeysInChild(path, "second");
  for (pid_t pid : {first, second}) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ProfileFile file(path);
  for (int i = 0; i < kKeysEach; ++i) {
    EXPECT_EQ(file.ReadString("first", "key" + std::to_string(i), "lost"), std::to_string(i));
    EXPECT_EQ(file.ReadString("second", "key" + std::to_string(i), "lost"), std::to_string(i));
  }
  EXPECT_EQ(file.ReadString("other", "keep", ""), "me");
}

TEST(ProfileFileConcurrency, AWriterKilledMidwayLeavesAWholeFile) {
  TempPrefix prefix;
  const auto path = prefix.Root() / "ostrel.ini";
  WriteHostFile(path, "[other]\r\nkeep=me\r\n");
  for (int round = 0; round < 20; ++round) {
    const pid_t child = WriteKeysInChild(path, "round" + std::to_string(round));
    usleep(static_cast<useconds_t>(500 + round * 300));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const std::string contents = ReadHostFile(path);
    ASSERT_EQ(contents.rfind("[other]\r\nkeep=me\r\n", 0), 0u) << contents;
    ASSERT_TRUE(contents.size() < 2 || contents.substr(contents.size() - 2) == "\r\n");
  }
}

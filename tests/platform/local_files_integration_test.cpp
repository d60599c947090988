#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <chrono>
#include <thread>

#include "platform/calendar_time.h"
#include "platform/file_reader.h"
#include "platform/file_status.h"
#include "platform/folders.h"
#include "platform/thread_priority.h"
#include "testkit/host.h"
#include "testkit/temp_prefix.h"

namespace fs = std::filesystem;

TEST(FileStatus, EachKindOfPathGivesWhatTheFileSystemHolds) {
  SKIP_ON_WINDOWS("POSIX modes and symbolic links");
  TempPrefix prefix;
  const fs::path file = prefix.Root() / "a.exe";
  WriteHostFile(file, "MZ..!");
  fs::permissions(file, fs::perms(0640));
  const std::time_t noon = 1700049600;  // 15/11/2023 12:00 UTC
  fs::last_write_time(
      file, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(noon)));
  fs::create_directory_symlink(prefix.Root(), prefix.Root() / "to-folder");
  fs::create_symlink(prefix.Root() / "gone", prefix.Root() / "dangling");

  struct Case {
    const char* name;
    bool exists;
    bool folder;
  };
  for (const Case& c : {Case{"a.exe", true, false}, Case{"to-folder", true, true},
                        Case{"missing", false, false}, Case{"dangling", false, false}}) {
    const auto status = platform::StatusOf(prefix.Root() / c.name);
    ASSERT_EQ(status.has_value(), c.exists) << c.name;
    if (status) {
      EXPECT_EQ(status->folder, c.folder) << c.name;
    }
  }
  const auto status = platform::StatusOf(file);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->size, 5u);
  EXPECT_EQ(status->modified, noon);
  EXPECT_EQ(status->permissions, 0640u);
}

TEST(FileReader, ReadsAFileInChunksAndSaysWhyItCannot) {
  TempPrefix prefix;
  WriteHostFile(prefix.Root() / "a.exe", "MZ..!");
  platform::FileReader reader(prefix.Root() / "a.exe");
  char buffer[4];
  EXPECT_EQ(reader.Read(buffer, sizeof buffer), 4u);
  EXPECT_EQ(reader.Read(buffer, sizeof buffer), 1u);
  EXPECT_EQ(reader.Read(buffer, sizeof buffer), 0u);

  platform::FileReader missing(prefix.Root() / "missing");
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(missing.Error(), "No such file or directory");
  platform::FileReader folder(prefix.Root());
  ASSERT_TRUE(folder.Status());
  EXPECT_TRUE(folder.Status()->folder);
  EXPECT_EQ(folder.Read(buffer, sizeof buffer), std::nullopt);
  EXPECT_EQ(folder.Error(), "Is a directory");
}

TEST(Folders, AFolderIsMadeOnceAndEnteredWhileItExists) {
  TempPrefix prefix;
  const fs::path before = fs::current_path();
  const fs::path made = prefix.Root() / "downloads";
  EXPECT_TRUE(platform::MakeFolder(made));
  EXPECT_FALSE(platform::MakeFolder(made));
  EXPECT_FALSE(platform::MakeFolder(prefix.Root() / "no" / "parent"));
  EXPECT_TRUE(platform::EnterFolder(made));
  EXPECT_EQ(fs::current_path(), made);
  EXPECT_FALSE(platform::EnterFolder(prefix.Root() / "missing"));
  EXPECT_EQ(fs::current_path(), made);
  fs::current_path(before);
}

#ifndef _WIN32  // a thread's niceness
TEST(ThreadPriority, OnlyTheCallingThreadGoesOneStepDown) {
  const int main = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  int worker = 0;
  std::thread([&] {
    platform::LowerThisThreadsPriority();
    worker = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  }).join();
  EXPECT_EQ(worker, std::min(main + 1, 19));
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), main);
}
#endif

TEST(CalendarTime, UtcFieldsCountFromTheEpoch) {
  const std::tm fields = platform::UtcTime(1700049600);
  EXPECT_EQ(fields.tm_year + 1900, 2023);
  EXPECT_EQ(fields.tm_mon + 1, 11);
  EXPECT_EQ(fields.tm_mday, 15);
  EXPECT_EQ(fields.tm_hour, 12);
}

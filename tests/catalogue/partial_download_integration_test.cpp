// The sweep of kept partials among the other files of a download folder.
#include "catalogue/partial_download.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/settings_leftovers.h"
#include "platform/temporary_files.h"
#include "testkit/temp_prefix.h"

namespace fs = std::filesystem;

namespace {

TEST(PartialSweep, OnlyOurStalePartialsAndLoneRecordsGo) {
  TempPrefix prefix;
  const fs::path folder = prefix.Host("c:\\temp");
  fs::create_directories(folder);
  const std::string record =
      PartialRecordText({"http://example.com/setup.exe", "\"v1\"", std::nullopt});
  const auto eightDaysAgo = fs::file_time_type::clock::now() - std::chrono::hours(24 * 8);
  const struct {
    const char* name;
    std::string contents;
    bool stale;
    bool stays;
  } files[] = {
      // Being fetched, or resumed lately.
      {".fresh.exe.partial", "MZ", false, true},
      {".fresh.exe.partial.record", record, true, true},
      // Nobody has written it for 8 days.
      {".old.exe.partial", "MZ", true, false},
      {".old.exe.partial.record", record, false, false},
      // A record whose partial is gone.
      {".lone.exe.partial.record", record, false, false},
      // Not known to be ours.
      {".nameless.exe.partial", "MZ", true, true},
      {".foreign.exe.partial", "MZ", true, true},
      {".foreign.exe.partial.record", "another program's notes\n", true, true},
      // Others' names stay for their own sweeps, which leave partials alone.
      {".setup.exe.1a2b3c4d.part", "MZ", true, true},
      {".ostrel.ini.partial", "MZ", false, true},
      {".ostrel.ini.partial.record", record, false, true},
  };
  for (const auto& file : files) {
    WriteHostFile(folder / file.name, file.contents);
    if (file.stale)
      fs::last_write_time(folder / file.name, eightDaysAgo);
  }
  EXPECT_EQ(RemoveStalePartials(folder), 3u);
  EXPECT_EQ(platform::RemoveStaleSettingsCopies(folder / "ostrel.ini", std::chrono::seconds(0)),
            0u);
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder))
    left.insert(entry.path().filename().string());
  std::set<std::string> expected;
  for (const auto& file : files) {
    if (file.stays)
      expected.insert(file.name);
  }
  EXPECT_EQ(left, expected);
  EXPECT_EQ(platform::RemoveStaleTemporaries(folder), 1u);
  EXPECT_TRUE(fs::exists(folder / ".fresh.exe.partial"));
}

}  // namespace

// One updater per prefix and per C: drive, on real files and processes, and
// what a run that holds them removes.
#include "app/prefix_claim.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <set>

#include "testkit/child_process.h"
#include "testkit/host.h"
#include "testkit/temp_prefix.h"

namespace fs = std::filesystem;

TEST(PrefixClaimTest, AnythingButHoldingTheLockEndsTheRunAndSaysWhy) {
  enum Arrangement { kFolder, kDanglingLink, kUnwritable, kHeld };
  const struct {
    Arrangement arrangement;
    PrefixClaim claim;
    const char* reason;
  } cases[] = {{kFolder, PrefixClaim::kRefused, "it is a folder"},
               {kDanglingLink, PrefixClaim::kRefused, "it is a symbolic link"},
               {kUnwritable, PrefixClaim::kRefused, "Permission denied"},
               {kHeld, PrefixClaim::kAnotherUpdater, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arrangement);
    const TempPrefix temp;
    const fs::path prefix = temp.Root() / "prefix";
    const fs::path lock = prefix / "ostrel-update.lock";
    fs::create_directories(c.arrangement == kFolder ? lock : prefix);
    SetEnvironment("OSTREL_PREFIX", prefix.c_str());
    if (c.arrangement == kDanglingLink)
      fs::create_symlink(prefix / "elsewhere", lock);
    if (c.arrangement == kUnwritable)
      fs::permissions(prefix, fs::perms(0555));
    PrefixLocks holder;
    if (c.arrangement == kHeld) {
      ASSERT_EQ(ClaimPrefix(holder).claim, PrefixClaim::kOurs);
    }
    // A second process; root writes anywhere, so it plays a user who may not.
    ChildProcess::Options options;
    options.errors = temp.Root() / "said.txt";
    ChildProcess second = ChildProcess::Fork(
        [&c] {
          constexpr uid_t kNobody = 65534;
          if (c.arrangement == kUnwritable && geteuid() == 0 &&
              (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            return 99;
          PrefixLocks locks;
          const PrefixClaimResult result = ClaimPrefix(locks);
          std::cerr << result.message;
          return static_cast<int>(result.claim);
        },
        options);
    EXPECT_EQ(second.Wait(), static_cast<int>(c.claim));
    EXPECT_EQ(ReadHostFile(options.errors),
              c.reason == nullptr
                  ? "ostrel-update is already running in " + prefix.string() + " (process " +
                        std::to_string(getpid()) + ")."
                  : "ostrel-update will not start: it cannot make sure that it is the only "
                    "updater in " +
                        prefix.string() + ", because its lock file " + lock.string() +
                        " cannot be used (" + c.reason + "). Nothing was changed.");
    // A link is never followed to make a lock elsewhere.
    EXPECT_FALSE(fs::exists(prefix / "elsewhere"));
    fs::permissions(prefix, fs::perms(0755));
  }
}

TEST(PrefixClaimTest, TwoPrefixesOnOneCDriveTakeTurns) {
  const TempPrefix prefix;
  PrefixLocks first;
  ASSERT_EQ(ClaimPrefix(first).claim, PrefixClaim::kOurs);
  const fs::path drive = fs::canonical(prefix.Host("c:\\"));
  // Another prefix whose C: drive is the first one's, through a link.
  const fs::path other = prefix.Root() / "other";
  fs::create_directories(other / "dosdevices");
  fs::create_symlink(drive, other / "dosdevices" / "c:");
  SetEnvironment("OSTREL_PREFIX", other.c_str());
  PrefixLocks second;
  const PrefixClaimResult result = ClaimPrefix(second);
  SetEnvironment("OSTREL_PREFIX", prefix.Root().c_str());
  EXPECT_EQ(result.claim, PrefixClaim::kAnotherUpdater);
  EXPECT_EQ(result.message, "ostrel-update is already running on the C: drive " + drive.string() +
                                " (process " + std::to_string(getpid()) + ").");
}

TEST(PrefixClaimTest, ARunRemovesOnlyTheSettingsCopiesThatKilledWritersLeft) {
  const TempPrefix prefix;
  const fs::path windows = prefix.Host("c:\\windows");
  const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(11);
  fs::create_directory(windows / ".ostrel.ini.Dir123");
  fs::create_symlink(windows / "ostrel.ini", windows / ".ostrel.ini.Lnk123");
  // Linux's copy, Windows' copy; then one being written now, the journal,
  // other shapes and names.
  for (const char* name : {".ostrel.ini.aB3xY9", ".ostrel.ini.123456", ".ostrel.ini.Qw3rty",
                           ".ostrel.ini.journal", ".ostrel.ini.aB3xY", ".ostrel.ini.1234567",
                           ".win.ini.aB3xY9", "ostrel.ini", ".ostrel.ini.Dir123"}) {
    if (!fs::is_directory(windows / name))
      WriteHostFile(windows / name, "[general]\r\n");
    if (name != std::string(".ostrel.ini.Qw3rty"))
      fs::last_write_time(windows / name, old);
  }
  RemoveLeftovers();
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(windows))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names,
            (std::set<std::string>{".ostrel.ini.Qw3rty", ".ostrel.ini.journal", ".ostrel.ini.aB3xY",
                                   ".ostrel.ini.1234567", ".win.ini.aB3xY9", "ostrel.ini",
                                   ".ostrel.ini.Dir123", ".ostrel.ini.Lnk123"}));
}

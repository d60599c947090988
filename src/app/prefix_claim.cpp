#include "app/prefix_claim.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>

#include "catalogue/partial_download.h"
#include "platform/desktop_session.h"
#include "platform/host_path.h"
#include "platform/settings_leftovers.h"
#include "platform/temporary_files.h"
#include "support/settings.h"

namespace fs = std::filesystem;

namespace {

constexpr char kLockFileName[] = "ostrel-update.lock";
// Where every transfer but a network download writes (the catalogue, the
// information text and each installer).
constexpr char kDownloadFolder[] = "c:\\temp";
// Saving a setting takes well under a second; a copy of the settings file
// that nobody has written for this long belongs to a writer that was killed.
constexpr std::chrono::minutes kSettingsCopyAge{10};

// Host paths in messages are UTF-8 on every host (on Windows string() would
// be the ANSI code page).
std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Takes one lock; nullopt when it is ours now. `where` names what it guards
// ("in <prefix>", "on the C: drive <folder>").
std::optional<PrefixClaimResult> Take(platform::InstanceLock& lock, const fs::path& file,
                                      const std::string& where, bool bringForward) {
  switch (lock.TryAcquire(file)) {
    case platform::InstanceLock::Outcome::kHeld:
      return std::nullopt;
    case platform::InstanceLock::Outcome::kHeldElsewhere: {
      std::string message = "ostrel-update is already running " + where;
      if (const auto other = lock.OtherHolder()) {
        message += " (process " + std::to_string(*other) + ")";
        if (bringForward)
          platform::ActivateWindowsOf(*other);
      }
      return PrefixClaimResult{PrefixClaim::kAnotherUpdater, message + "."};
    }
    case platform::InstanceLock::Outcome::kUnavailable:
      break;
  }
  return PrefixClaimResult{
      PrefixClaim::kRefused,
      "ostrel-update will not start: it cannot make sure that it is the only updater " + where +
          ", because its lock file " + Utf8(file) + " cannot be used (" + lock.Reason() +
          "). Nothing was changed."};
}

}  // namespace

PrefixClaimResult ClaimPrefix(PrefixLocks& locks, bool bringForward) {
  const fs::path prefix = platform::PrefixFolder();
  std::error_code ignored;
  fs::create_directories(prefix, ignored);
  const fs::path prefixLock = prefix / kLockFileName;
  if (auto refused = Take(locks.prefix, prefixLock, "in " + Utf8(prefix), bringForward))
    return *std::move(refused);

  const auto drive = platform::DriveCFolder();
  // A drive folder that is the prefix folder itself has just been locked.
  if (!drive || fs::equivalent(prefixLock, *drive / kLockFileName, ignored))
    return {PrefixClaim::kOurs, {}};
  if (auto refused = Take(locks.driveC, *drive / kLockFileName, "on the C: drive " + Utf8(*drive),
                          bringForward))
    return *std::move(refused);
  return {PrefixClaim::kOurs, {}};
}

void RemoveLeftovers() {
  platform::RemoveStaleTemporaries(platform::HostPath(kDownloadFolder));
  RemoveStalePartials(platform::HostPath(kDownloadFolder));
  platform::RemoveStaleSettingsCopies(
      ProfileHostPath(), std::chrono::duration_cast<std::chrono::seconds>(kSettingsCopyAge));
}

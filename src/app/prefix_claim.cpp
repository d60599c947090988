#include "app/prefix_claim.h"

#include <filesystem>
#include <ostream>
#include <system_error>

#include "platform/host_path.h"
#include "platform/temporary_files.h"
#include "platform/x_display.h"

namespace {

constexpr char kLockFileName[] = "ostrel-update.lock";
// Where every transfer but a network download writes (the catalogue, the
// information text and each installer).
constexpr char kDownloadFolder[] = "c:\\temp";

}  // namespace

PrefixClaim ClaimPrefix(platform::InstanceLock& lock, std::ostream& err) {
  const std::filesystem::path prefix = platform::PrefixFolder();
  std::error_code ignored;
  std::filesystem::create_directories(prefix, ignored);
  switch (lock.TryAcquire(prefix / kLockFileName)) {
    case platform::InstanceLock::Outcome::kHeld:
      return PrefixClaim::kOurs;
    case platform::InstanceLock::Outcome::kUnavailable:
      return PrefixClaim::kUnlocked;
    case platform::InstanceLock::Outcome::kHeldElsewhere:
      break;
  }
  err << "ostrel-update is already running in " << prefix.string();
  if (const auto other = lock.OtherHolder()) {
    err << " (process " << *other << ")";
    platform::ActivateWindowsOf(*other);
  }
  err << "." << std::endl;
  return PrefixClaim::kAnotherUpdater;
}

void RemoveStaleDownloads() {
  platform::RemoveStaleTemporaries(platform::HostPath(kDownloadFolder));
}

#include "platform/state_folder.h"

#include "platform/host_path.h"

// One file for the user who runs the updater, beside the one-updater lock.

namespace platform {

std::optional<std::filesystem::path> UpdaterStateFile() {
  return PrefixFolder() / L"ostrel-update-state.ini";
}

}  // namespace platform

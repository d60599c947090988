#include "catalogue/installer_check.h"

#include <filesystem>
#include <system_error>

#include "platform/ascii.h"
#include "platform/crypto.h"
#include "platform/host_path.h"
#include "support/desktop.h"
#include "support/log.h"

namespace {

bool Fails(const FileCheck& check, const std::string& message, const std::string& logText) {
  Log("%s: %s", check.windowsPath.c_str(), logText.c_str());
  if (check.removeOnFailure) {
    std::error_code ignored;
    std::filesystem::remove(platform::HostPath(check.windowsPath), ignored);
  }
  TheDesktop().MessageBox(message);
  return false;
}

}  // namespace

bool PassesFileCheck(const FileCheck& check) {
  const std::string& name = check.name.empty() ? check.windowsPath : check.name;
  if (check.expectedSha256.empty()) {
    if (!check.digestRequired)
      return true;
    return Fails(check,
                 name + " was not started because its signed catalogue gives no digest for it.",
                 "no digest in the signed catalogue");
  }
  const std::string expected = platform::AsciiLowerCased(check.expectedSha256);
  const auto actual = platform::Sha256HexOfFile(platform::HostPath(check.windowsPath));
  if (actual && *actual == expected) {
    Log("%s: digest checked", check.windowsPath.c_str());
    return true;
  }
  return Fails(check, "The download of " + name + " failed its check and was not used.",
               "digest " + actual.value_or("(unreadable)") + " where the catalogue gives " +
                   check.expectedSha256);
}

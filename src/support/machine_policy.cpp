#include "support/machine_policy.h"

#include "platform/machine_policy.h"
#include "platform/profile_file.h"
#include "support/log.h"

namespace {

constexpr char kValues[] = "Update";
constexpr char kUrls[] = "CatalogueUrls";

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

MachinePolicy MachinePolicy::Here() {
  platform::MachinePolicyReading reading = platform::ReadMachinePolicy();
  if (!reading.ignored.empty())
    Log("%s", reading.ignored.c_str());
  return MachinePolicy(std::move(reading.text));
}

bool MachinePolicy::InstallingAllowed() const {
  const auto value = platform::FindProfileValue(m_text, kValues, "AllowInstall");
  if (!value || IsBlank(*value))
    return true;
  const std::size_t digits = value->find_first_not_of(" \t+-");
  const bool number =
      digits != std::string::npos && (*value)[digits] >= '0' && (*value)[digits] <= '9';
  return number && platform::ParseProfileInteger(*value) != 0;
}

std::string MachinePolicy::PublicKeys() const {
  const auto value = platform::FindProfileValue(m_text, kValues, "PublicKeys");
  return value && !IsBlank(*value) ? *value : std::string();
}

std::optional<std::string> MachinePolicy::CatalogueUrl(const std::string& skin) const {
  for (const auto& value : {platform::FindProfileValue(m_text, kUrls, skin),
                            platform::FindProfileValue(m_text, kValues, "CatalogueUrl")}) {
    if (value && !IsBlank(*value))
      return value;
  }
  return std::nullopt;
}

const char* InstallingTurnedOff() {
  return "Installing updates has been turned off on this computer by its administrator.";
}

#include "catalogue/catalogue_keys.h"

#include <cinttypes>

#include "platform/base64.h"
#include "support/log.h"
#include "support/updater_state.h"

namespace {

// More rotations than any publisher makes; a bound on a hostile server.
constexpr std::uint64_t kMostVersionsAtOnce = 64;
constexpr std::uint64_t kMostRecordedVersions = 10000;

std::string RecordName(const std::string& skin, std::uint64_t version) {
  return skin + "." + std::to_string(version);
}

struct SignedList {
  std::string text;
  std::string signatures;
};

std::optional<SignedList> FromRecord(const std::optional<std::string>& record) {
  if (!record)
    return std::nullopt;
  const std::size_t blank = record->find(' ');
  if (blank == std::string::npos)
    return std::nullopt;
  auto text = platform::Base64Decode(std::string_view(*record).substr(0, blank));
  auto signatures = platform::Base64Decode(std::string_view(*record).substr(blank + 1));
  if (!text || !signatures)
    return std::nullopt;
  return SignedList{std::move(*text), std::move(*signatures)};
}

}  // namespace

KeyList RecordedCatalogueKeys(const KeyList& starting, const std::string& skin,
                              const UpdaterState& state) {
  KeyList current = starting;
  for (std::uint64_t version = 1; version <= kMostRecordedVersions; ++version) {
    const auto record = state.Get(kCatalogueKeysSection, RecordName(skin, version));
    if (!record)
      break;
    const auto list = FromRecord(record);
    std::string why = "the record cannot be read";
    const auto next =
        list ? JudgeNextKeyList(current, list->text, list->signatures, &why) : std::nullopt;
    if (!next) {
      Log("the recorded key list version %" PRIu64 " for %s is not used: %s", version, skin.c_str(),
          why.c_str());
      break;
    }
    current = *next;
  }
  return current;
}

KeyList NewerCatalogueKeys(const KeyList& held, const std::string& skin,
                           const std::string& catalogueUrl, UpdaterState& state,
                           const SmallTextFetch& fetch) {
  KeyList current = held;
  const std::string folder = catalogueUrl.substr(0, catalogueUrl.rfind('/') + 1);
  const std::string newestUrl = folder + "keys.txt";
  const auto newestText = fetch(newestUrl);
  if (!newestText)
    return current;
  std::string why;
  const auto newest = ReadKeyList(*newestText, &why);
  if (!newest) {
    Log("the key list %s is not used: it cannot be read (%s)", newestUrl.c_str(), why.c_str());
    return current;
  }
  const std::uint64_t last = std::min(newest->version, current.version + kMostVersionsAtOnce);
  for (std::uint64_t version = current.version + 1; version <= last; ++version) {
    const std::string url = version == newest->version
                                ? newestUrl
                                : folder + "keys." + std::to_string(version) + ".txt";
    const auto text = version == newest->version ? newestText : fetch(url);
    const auto signatures = text ? fetch(url + ".sig") : std::nullopt;
    if (!signatures) {
      Log("the key list version %" PRIu64 " is not used: %s%s is not on the server", version,
          url.c_str(), text ? ".sig" : "");
      break;
    }
    const auto next = JudgeNextKeyList(current, *text, *signatures, &why);
    if (!next) {
      Log("the key list %s is refused: %s", url.c_str(), why.c_str());
      break;
    }
    current = *next;
    const bool recorded =
        state.Set(kCatalogueKeysSection, RecordName(skin, version),
                  platform::Base64Encode(*text) + " " + platform::Base64Encode(*signatures)) &&
        state.Set(kCatalogueSerialSection, skin, "0") && state.Save();
    Log("the key list version %" PRIu64
        " for %s is accepted%s: the catalogue serial starts "
        "again",
        version, skin.c_str(), recorded ? "" : (", but not recorded: " + state.Error()).c_str());
  }
  return current;
}

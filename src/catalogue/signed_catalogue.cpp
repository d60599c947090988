#include "catalogue/signed_catalogue.h"

#include <algorithm>
#include <cinttypes>
#include <cstdlib>
#include <optional>

#include "brand/skin.h"
#include "catalogue/catalogue_keys.h"
#include "catalogue/catalogue_trust.h"
#include "catalogue/sign_in.h"
#include "catalogue/transfer_file.h"
#include "platform/http.h"
#include "support/desktop.h"
#include "support/log.h"
#include "support/settings.h"
#include "support/updater_state.h"

namespace {

// A signature file is five short lines, a key list a few more; anything
// longer is neither.
constexpr std::uint64_t kSignatureMostBytes = 64 * 1024;
// The signature gets what is left of the catalogue's deadline, but never less
// than this: a user who took long over a login prompt must not see the
// signature fail for it.
constexpr long kSignatureLeastSeconds = 5;
constexpr std::chrono::seconds kKeyListsLeastTime(10);

class TextSink final : public platform::DownloadSink {
 public:
  bool Begin(const platform::HttpHead&) override {
    text.clear();
    return true;
  }
  bool Add(const char* data, std::size_t size) override {
    text.append(data, size);
    return true;
  }
  std::string text;
};

// A signature file or a key list, quietly: its absence is the judgement's
// business, not a failed download's. A server behind a login asks for it
// once, as it did for the catalogue.
std::optional<std::string> FetchSmallText(const std::string& url,
                                          std::chrono::steady_clock::time_point deadline) {
  const auto left =
      std::chrono::ceil<std::chrono::seconds>(deadline - std::chrono::steady_clock::now());
  platform::HttpRequest request;
  request.url = url;
  request.headers = TransferRequestHeaders();
  request.limits = platform::HttpLimits::FromEnvironment();
  request.limits.maxBytes = kSignatureMostBytes;
  request.limits.deadline = std::max(static_cast<long>(left.count()), kSignatureLeastSeconds);
  platform::HttpSession session;
  TextSink sink;
  const platform::HttpAnswer answer = GetSigningIn(session, request, sink, nullptr).answer;
  if (answer.Succeeded())
    return sink.text;
  if (answer.complete)
    Log("no signature at %s: status %ld", url.c_str(), answer.status);
  else
    Log("no signature from %s: %s", url.c_str(), answer.error.c_str());
  return std::nullopt;
}

// A record of at most 18 digits, as a signature file's serial; anything else
// counts as no record.
std::optional<std::uint64_t> SerialOf(const std::optional<std::string>& text) {
  if (!text || text->empty() || text->size() > 18 ||
      text->find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return std::strtoull(text->c_str(), nullptr, 10);
}

// Where earlier versions kept the serial: the shared settings file.
std::uint64_t SerialInSettings(const std::string& skin) {
  const std::string text = GetProfileString("internet", SerialKeyFor(skin), "0");
  return std::strtoull(text.c_str(), nullptr, 10);
}

CatalogueAcceptance Refused(const std::string& sentence) {
  Log("%s", sentence.c_str());
  TheDesktop().MessageBox(sentence);
  return {false, true};
}

}  // namespace

CatalogueAcceptance AcceptCatalogue(const std::string& url, const std::string& bytes,
                                    std::chrono::steady_clock::time_point deadline) {
  const std::string skin = GetSkin();
  const TrustPolicy policy = TrustPolicy::ForBrand(skin);
  if (!policy.required) {
    Log("catalogue %s not verified: no public key is configured", url.c_str());
    return {true, false};
  }

  UpdaterState state = UpdaterState::Here();
  const bool stateRead = state.Load();
  // Without its records the updater cannot know which key lists it accepted:
  // the starting keys alone judge the catalogue then.
  const KeyList starting{0, 1, policy.keys};
  KeyList keys = stateRead ? RecordedCatalogueKeys(starting, skin, state) : starting;
  const auto signature = FetchSmallText(url + ".sig", deadline);
  std::optional<std::uint64_t> record;
  std::uint64_t recorded = 0;
  const auto judge = [&] {
    record = stateRead ? SerialOf(state.Get(kCatalogueSerialSection, skin)) : std::nullopt;
    recorded = record.value_or(0);
    // The settings file's serial is read until the brand has a record of its
    // own, as a floor: moving the record never lowers it.
    const std::uint64_t highest = record ? recorded : SerialInSettings(skin);
    TrustPolicy trusted = policy;
    trusted.keys = keys.keys;
    return JudgeCatalogue(bytes, signature, trusted, highest, SignatureDate::Today());
  };
  TrustVerdict verdict = judge();
  // Newer key lists are asked for only when the keys held do not pass the
  // catalogue: a server behind a login then asks for no more sign-ins than
  // before, and a catalogue signed by a new key, or below a serial that a
  // leaked key pushed ahead, is judged again after a rotation.
  if (verdict.outcome == TrustOutcome::Refused && stateRead) {
    const std::uint64_t held = keys.version;
    // A server that answers each list slowly must not hold the window for
    // its dozens of versions: the walk as a whole has the catalogue's
    // deadline, or a few seconds from now when that is later.
    const auto walkDeadline =
        std::max(deadline, std::chrono::steady_clock::now() + kKeyListsLeastTime);
    keys = NewerCatalogueKeys(keys, skin, url, state, [&](const std::string& textUrl) {
      if (std::chrono::steady_clock::now() >= walkDeadline) {
        Log("no time is left to fetch %s", textUrl.c_str());
        return std::optional<std::string>();
      }
      return FetchSmallText(textUrl, walkDeadline);
    });
    if (keys.version != held)
      verdict = judge();
  }
  if (verdict.outcome == TrustOutcome::Refused)
    return Refused(verdict.reason);
  const bool hasRecord = record.has_value();

  // A serial that is not kept would let an older catalogue in next time.
  if (!hasRecord || verdict.serial > recorded) {
    if (!stateRead || !state.Set(kCatalogueSerialSection, skin, std::to_string(verdict.serial)) ||
        !state.Save()) {
      Log("the serial %" PRIu64 " of catalogue %s could not be recorded: %s", verdict.serial,
          url.c_str(), state.Error().c_str());
      return Refused(CatalogueRefusal("its serial could not be recorded"));
    }
  }
  Log("catalogue %s verified: serial %" PRIu64, url.c_str(), verdict.serial);
  return {true, true};
}

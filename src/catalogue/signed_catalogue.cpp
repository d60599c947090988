#include "catalogue/signed_catalogue.h"

#include <algorithm>
#include <cinttypes>
#include <cstdlib>
#include <optional>

#include "brand/skin.h"
#include "catalogue/catalogue_trust.h"
#include "catalogue/sign_in.h"
#include "catalogue/transfer_file.h"
#include "platform/http.h"
#include "support/desktop.h"
#include "support/log.h"
#include "support/settings.h"

namespace {

// A signature file is five short lines; anything longer is not one.
constexpr std::uint64_t kSignatureMostBytes = 64 * 1024;
// The signature gets what is left of the catalogue's deadline, but never less
// than this: a user who took long over a login prompt must not see the
// signature fail for it.
constexpr long kSignatureLeastSeconds = 5;

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

// The signature file, quietly: its absence is the judgement's business, not a
// failed download's. A server behind a login asks for it once, as it did for
// the catalogue.
std::optional<std::string> FetchSignature(const std::string& url,
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

std::uint64_t HighestSerial(const std::string& skin) {
  const std::string text = GetProfileString("internet", SerialKeyFor(skin), "0");
  return std::strtoull(text.c_str(), nullptr, 10);
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

  const std::string signatureUrl = url + ".sig";
  const std::uint64_t highest = HighestSerial(skin);
  const TrustVerdict verdict = JudgeCatalogue(bytes, FetchSignature(signatureUrl, deadline), policy,
                                              highest, SignatureDate::Today());
  if (verdict.outcome == TrustOutcome::Refused) {
    Log("%s", verdict.reason.c_str());
    TheDesktop().MessageBox(verdict.reason);
    return {false, true};
  }

  Log("catalogue %s verified: serial %" PRIu64, url.c_str(), verdict.serial);
  if (verdict.serial > highest)
    WriteProfileString("internet", SerialKeyFor(skin), std::to_string(verdict.serial));
  return {true, true};
}

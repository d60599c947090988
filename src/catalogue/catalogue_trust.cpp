#include "catalogue/catalogue_trust.h"

#include <array>
#include <cstdlib>

#include "platform/base64.h"
#include "platform/crypto.h"
#include "support/machine_policy.h"
#include "support/settings.h"

namespace {

struct BrandKeys {
  const char* skin;
  const char* keys;  // as in [internet] publickey
};

// The publishers' keys, by brand. None has published a signed catalogue
// yet; a key added here makes signatures required for that brand.
constexpr std::array<BrandKeys, 0> kBuiltInKeys{};

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

TrustVerdict Refuse(const std::string& reason) {
  return {TrustOutcome::Refused, CatalogueRefusal(reason), 0};
}

}  // namespace

void TrustPolicy::AddKeys(std::string_view text) {
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view item = Trimmed(text.substr(0, comma));
    if (!item.empty()) {
      required = true;
      if (auto key = platform::Base64Decode(item);
          key && key->size() == platform::kEd25519PublicKeyBytes)
        keys.push_back(std::move(*key));
    }
    if (comma == std::string_view::npos)
      return;
    text.remove_prefix(comma + 1);
  }
}

TrustPolicy TrustPolicy::ForBrand(const std::string& skin) {
  TrustPolicy policy;
  // Keys the administrator pinned are the only ones: what a user can set (the
  // variable, the shared settings file) must not add a key of their own.
  if (const std::string pinned = MachinePolicy::Here().PublicKeys(); !pinned.empty()) {
    policy.AddKeys(pinned);
    return policy;
  }
  if (const char* staged = std::getenv("OSTREL_PUBLIC_KEY"); staged != nullptr) {
    policy.AddKeys(staged);
    if (policy.required)
      return policy;
  }
  for (const BrandKeys& brand : kBuiltInKeys) {
    if (skin == brand.skin)
      policy.AddKeys(brand.keys);
  }
  policy.AddKeys(GetProfileString("internet", "publickey", ""));
  return policy;
}

TrustVerdict JudgeCatalogue(std::string_view catalogue,
                            const std::optional<std::string>& signatureText,
                            const TrustPolicy& policy, std::uint64_t highestSerial,
                            const SignatureDate& today) {
  if (!policy.required)
    return {};
  if (!signatureText)
    return Refuse("it has no signature");
  std::string why;
  const auto file = ReadSignatureFile(*signatureText, &why);
  if (!file)
    return Refuse("its signature file cannot be read (" + why + ")");
  bool trusted = false;
  for (const std::string& key : policy.keys)
    trusted = trusted || key == file->publicKey;
  if (!trusted)
    return Refuse("it is signed by a key that is not trusted here");
  if (!platform::VerifyEd25519(file->publicKey, SignedMessage(*file, catalogue), file->signature))
    return Refuse("its signature does not match its contents");
  if (today > file->expires)
    return Refuse("its signature expired on " + file->expires.Text());
  if (file->serial < highestSerial)
    return Refuse("it is older (serial " + std::to_string(file->serial) +
                  ") than one already used (serial " + std::to_string(highestSerial) + ")");
  return {TrustOutcome::Verified, "", file->serial};
}

std::string CatalogueRefusal(std::string_view reason) {
  return "The update catalogue was refused: " + std::string(reason) + ".";
}

std::string SerialKeyFor(const std::string& skin) {
  return "catalogueserial" + skin;
}

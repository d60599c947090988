// Which catalogues the updater trusts: the keys it holds for the active brand,
// and the judgement of one catalogue with its signature file.
//
// Keys come from the machine policy when it names any (and then from nowhere
// else: support/machine_policy.h); otherwise from the environment
// (OSTREL_PUBLIC_KEY, for staging and tests) when it gives any; otherwise
// from the keys compiled in for the brand and the administrator's [internet]
// publickey. Each is base64 of a 32-byte Ed25519 public key; several are
// separated by commas. Once any key text is configured, even one that cannot
// be read, signatures are required: a typing error in a key must not switch
// the checks off.
//
// A judged catalogue is refused when its signature is missing, unreadable,
// made by a key not trusted here, does not match the catalogue's bytes, has
// expired (after its expiry day, UTC), or carries a serial lower than the
// highest already accepted for the brand (an old catalogue served again).
//
// Pure functions apart from TrustPolicy::ForBrand, which reads the
// environment and the settings file; any thread may call them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/signature_file.h"

struct TrustPolicy {
  std::vector<std::string> keys;  // raw 32-byte public keys
  bool required = false;

  static TrustPolicy ForBrand(const std::string& skin);
  // Adds the keys of a comma-separated text; any text but blanks makes
  // signatures required.
  void AddKeys(std::string_view text);
};

enum class TrustOutcome { Unverified, Verified, Refused };

struct TrustVerdict {
  TrustOutcome outcome = TrustOutcome::Unverified;
  // For a refusal, one sentence for the user and the log naming the reason.
  std::string reason;
  // The accepted signature's serial.
  std::uint64_t serial = 0;
};

// `signatureText` is the signature file as fetched, nullopt when there was
// none. `highestSerial` is the highest serial accepted before for the brand.
TrustVerdict JudgeCatalogue(std::string_view catalogue,
                            const std::optional<std::string>& signatureText,
                            const TrustPolicy& policy, std::uint64_t highestSerial,
                            const SignatureDate& today);

// The sentence that tells the user and the log why a catalogue was refused:
// "The update catalogue was refused: " + reason + ".".
std::string CatalogueRefusal(std::string_view reason);

// The settings key, in [internet], in which earlier versions kept the highest
// serial accepted for a brand: "catalogueserial" followed by the skin.
std::string SerialKeyFor(const std::string& skin);

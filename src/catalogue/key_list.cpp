#include "catalogue/key_list.h"

#include <algorithm>
#include <cstdlib>

#include "catalogue/signed_text_lines.h"
#include "platform/base64.h"
#include "platform/crypto.h"

namespace {

constexpr std::size_t kMostKeys = 64;
constexpr char kListHeader[] = "ostrel-keys 1";
constexpr char kSignaturesHeader[] = "ostrel-key-signatures 1";

std::optional<std::uint64_t> Number(std::optional<std::string_view> text) {
  if (!text || text->empty() || text->size() > 18 ||
      text->find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  return std::strtoull(std::string(*text).c_str(), nullptr, 10);
}

std::optional<std::string> Decoded(std::string_view text, std::size_t bytes) {
  auto decoded = platform::Base64Decode(text);
  if (!decoded || decoded->size() != bytes)
    return std::nullopt;
  return decoded;
}

template <typename T>
std::optional<T> Fail(std::string* why, const char* reason) {
  if (why != nullptr)
    *why = reason;
  return std::nullopt;
}

// How many of `keys` made a valid signature of `text`, each counted once.
std::size_t SignersAmong(const std::vector<std::string>& keys, std::string_view text,
                         const std::vector<KeySignature>& signatures) {
  std::vector<std::string> counted;
  for (const KeySignature& one : signatures) {
    if (std::find(keys.begin(), keys.end(), one.publicKey) == keys.end() ||
        std::find(counted.begin(), counted.end(), one.publicKey) != counted.end())
      continue;
    if (platform::VerifyEd25519(one.publicKey, text, one.signature))
      counted.push_back(one.publicKey);
  }
  return counted.size();
}

}  // namespace

std::optional<KeyList> ReadKeyList(std::string_view text, std::string* why) {
  const auto lines = SignedTextLines(text);
  if (lines.size() < 4 || lines[0] != kListHeader)
    return Fail<KeyList>(why, "it does not begin with the key list's first three lines");
  KeyList list;
  const auto version = Number(SignedTextField(lines[1], "version"));
  const auto threshold = Number(SignedTextField(lines[2], "threshold"));
  if (!version || *version == 0)
    return Fail<KeyList>(why, "its version is not a number above 0");
  list.version = *version;
  for (std::size_t i = 3; i < lines.size(); ++i) {
    const auto key = SignedTextField(lines[i], "key");
    const auto raw = key ? Decoded(*key, platform::kEd25519PublicKeyBytes) : std::nullopt;
    if (!raw)
      return Fail<KeyList>(why, "a key line does not hold a key");
    if (std::find(list.keys.begin(), list.keys.end(), *raw) != list.keys.end())
      return Fail<KeyList>(why, "it names a key twice");
    list.keys.push_back(*raw);
  }
  if (list.keys.size() > kMostKeys)
    return Fail<KeyList>(why, "it names more keys than a list may");
  if (!threshold || *threshold == 0 || *threshold > list.keys.size())
    return Fail<KeyList>(why, "its threshold is not between 1 and its number of keys");
  list.threshold = static_cast<std::size_t>(*threshold);
  return list;
}

std::string FormatKeyList(const KeyList& list) {
  std::string text = std::string(kListHeader) + "\nversion " + std::to_string(list.version) +
                     "\nthreshold " + std::to_string(list.threshold) + "\n";
  for (const std::string& key : list.keys)
    text += "key " + platform::Base64Encode(key) + "\n";
  return text;
}

std::optional<std::vector<KeySignature>> ReadKeySignatures(std::string_view text,
                                                           std::string* why) {
  const auto lines = SignedTextLines(text);
  using Result = std::vector<KeySignature>;
  if (lines.empty() || lines[0] != kSignaturesHeader)
    return Fail<Result>(why, "it does not begin with the signatures' first line");
  if (lines.size() > kMostKeys * 2 + 1)
    return Fail<Result>(why, "it holds more signatures than a list may have");
  Result signatures;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto rest = SignedTextField(lines[i], "signature");
    const std::size_t blank = rest ? rest->find(' ') : std::string_view::npos;
    const auto key = blank != std::string_view::npos
                         ? Decoded(rest->substr(0, blank), platform::kEd25519PublicKeyBytes)
                         : std::nullopt;
    const auto signature =
        key ? Decoded(rest->substr(blank + 1), platform::kEd25519SignatureBytes) : std::nullopt;
    if (!signature)
      return Fail<Result>(why, "a signature line does not hold a key and a signature");
    signatures.push_back({*key, *signature});
  }
  return signatures;
}

std::string FormatKeySignatures(const std::vector<KeySignature>& signatures) {
  std::string text = std::string(kSignaturesHeader) + "\n";
  for (const KeySignature& one : signatures)
    text += "signature " + platform::Base64Encode(one.publicKey) + " " +
            platform::Base64Encode(one.signature) + "\n";
  return text;
}

std::optional<KeyList> JudgeNextKeyList(const KeyList& current, std::string_view text,
                                        std::string_view signatureText, std::string* why) {
  std::string problem;
  auto next = ReadKeyList(text, &problem);
  if (!next) {
    *why = "it cannot be read (" + problem + ")";
    return std::nullopt;
  }
  if (next->version != current.version + 1) {
    *why = "it is version " + std::to_string(next->version) + " where version " +
           std::to_string(current.version + 1) + " must come next";
    return std::nullopt;
  }
  const auto signatures = ReadKeySignatures(signatureText, &problem);
  if (!signatures) {
    *why = "its signatures cannot be read (" + problem + ")";
    return std::nullopt;
  }
  const auto unmet = [&](const KeyList& by, std::size_t signers) {
    *why = "it is signed by " + std::to_string(signers) + " of the " +
           std::to_string(by.threshold) + " keys it needs of version " + std::to_string(by.version);
    return std::nullopt;
  };
  if (const std::size_t old = SignersAmong(current.keys, text, *signatures);
      old < current.threshold)
    return unmet(current, old);
  if (const std::size_t own = SignersAmong(next->keys, text, *signatures); own < next->threshold)
    return unmet(*next, own);
  return next;
}

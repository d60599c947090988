// The publisher's list of the keys that sign its catalogues, so that a key
// can be replaced without a new updater: "keys.txt" beside the catalogue,
// with its signatures in "keys.txt.sig".
//
//   ostrel-keys 1                      ostrel-key-signatures 1
//   version 2                          signature <key> <signature>
//   threshold 1                        signature <key> <signature>
//   key <base64 of a 32-byte key>
//   key <base64 of a 32-byte key>
//
// Lines end in LF (CR LF is read too). "version" counts up by one with every
// list, "threshold" (1 to the number of keys) is how many of the list's keys
// must sign what the list is asked to vouch for; at most 64 distinct keys.
// Each signature line names the signer's key and the Ed25519 signature (base64
// of 64 bytes) of keys.txt's bytes exactly as served.
//
// The keys an updater starts from (compiled in, the machine policy, the
// settings file) are version 0, with threshold 1. Version N+1 is accepted
// only when signed by a threshold of version N's keys and a threshold of its
// own, so that neither the old keys alone (a leaked one) nor the new ones
// alone can make a list; and only N+1, so that no version is skipped.
//
// Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct KeyList {
  std::uint64_t version = 0;
  std::size_t threshold = 1;
  std::vector<std::string> keys;  // raw 32-byte public keys
};

struct KeySignature {
  std::string publicKey;  // 32 raw bytes
  std::string signature;  // 64 raw bytes
};

// nullopt, and `why` (when given) in a few words, for a text that is not one.
std::optional<KeyList> ReadKeyList(std::string_view text, std::string* why = nullptr);
std::string FormatKeyList(const KeyList& list);
std::optional<std::vector<KeySignature>> ReadKeySignatures(std::string_view text,
                                                           std::string* why = nullptr);
std::string FormatKeySignatures(const std::vector<KeySignature>& signatures);

// The list that `text` and `signatureText` make, when it may follow
// `current`; else nullopt, and `why` says why, as a clause ("it is signed by
// 1 of the 2 keys it needs of version 3").
std::optional<KeyList> JudgeNextKeyList(const KeyList& current, std::string_view text,
                                        std::string_view signatureText, std::string* why);

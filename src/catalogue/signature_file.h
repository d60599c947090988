// The detached signature of a catalogue: the file published beside it, at the
// catalogue's URL followed by ".sig". A small text a person can read:
//
//   ostrel-signature 1
//   key 7Q0GG9bG3Tu3m3J9cF8oYw1h1Q3vM2m2p6Qm2ZlQd0E=
//   serial 42
//   expires 31/12/2027
//   signature <base64 of the 64-byte Ed25519 signature>
//
// Exactly these five lines in this order, each ending in LF (CR LF is read
// too; the last line break may be missing). "key" names the signer's public
// key (base64 of its 32 bytes), "serial" is a decimal number of at most 18
// digits that grows with every publication, "expires" is the last day (UTC)
// on which the signature holds, as DD/MM/YYYY.
//
// What is signed: the first four lines exactly as written above, each ending
// in a single LF, followed by the catalogue's bytes exactly as served. So the
// key, serial and expiry cannot be changed without the signature failing, and
// neither can one byte of the catalogue.
//
// Pure functions; safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct SignatureDate {
  int year = 0;
  int month = 0;
  int day = 0;

  // "DD/MM/YYYY" as a real calendar date; nullopt for anything else.
  static std::optional<SignatureDate> FromText(std::string_view text);
  // Today's date in UTC.
  static SignatureDate Today();
  // Today plus `days`, in UTC.
  static SignatureDate DaysFromToday(int days);
  std::string Text() const;
  auto operator<=>(const SignatureDate&) const = default;
};

// The highest serial a signature file can carry (18 digits).
inline constexpr std::uint64_t kMostSerial = 999'999'999'999'999'999;

struct SignatureFile {
  std::string publicKey;  // 32 raw bytes
  std::uint64_t serial = 0;
  SignatureDate expires;
  std::string signature;  // 64 raw bytes
};

// Reads a signature file; on failure nullopt, and `why` (when given) says
// which line is wrong, in a few words.
std::optional<SignatureFile> ReadSignatureFile(std::string_view text, std::string* why = nullptr);

// The file's text, as ReadSignatureFile reads it back.
std::string FormatSignatureFile(const SignatureFile& file);

// The bytes that the signature covers (see above).
std::string SignedMessage(const SignatureFile& file, std::string_view catalogue);

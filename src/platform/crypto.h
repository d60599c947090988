// The cryptography the updater relies on, over OpenSSL 3's EVP interface, so
// that nothing else includes an OpenSSL header: SHA-256 digests of installers
// and texts, and Ed25519 signatures of catalogues (verified by the updater,
// made by the publisher's tool).
//
// Keys and signatures travel as raw bytes here (32-byte public keys, 64-byte
// signatures); their text forms are the callers' business. A private key is
// kept as PEM (PKCS #8), the form `openssl pkey` reads too.
//
// Pure functions over their arguments; any thread may call them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::size_t kEd25519PublicKeyBytes = 32;
inline constexpr std::size_t kEd25519SignatureBytes = 64;

// The SHA-256 of `bytes`, as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

// The SHA-256 of a file's contents, read in chunks; nullopt when the file
// cannot be read to its end.
std::optional<std::string> Sha256HexOfFile(const std::filesystem::path& hostPath);

// True only when `signature` is a valid Ed25519 signature of `message` by the
// holder of `publicKey`; false for a key or signature of the wrong length.
bool VerifyEd25519(std::string_view publicKey, std::string_view message,
                   std::string_view signature);

// A new Ed25519 private key as PEM text; nullopt when no key can be made.
std::optional<std::string> NewEd25519PrivateKeyPem();

// The raw public key that belongs to a PEM private key; nullopt when the text
// is not an Ed25519 private key.
std::optional<std::string> Ed25519PublicKeyOf(std::string_view privateKeyPem);

// The Ed25519 signature of `message`; nullopt when the key cannot be used.
std::optional<std::string> SignEd25519(std::string_view privateKeyPem, std::string_view message);

}  // namespace platform

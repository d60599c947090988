#include "platform/crypto.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace platform {

namespace {

constexpr std::size_t kFileChunkBytes = 64 * 1024;

struct FreeMdContext {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct FreeKey {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct FreeKeyContext {
  void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
struct FreeBio {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
using MdContext = std::unique_ptr<EVP_MD_CTX, FreeMdContext>;
using Key = std::unique_ptr<EVP_PKEY, FreeKey>;
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, FreeKeyContext>;
using Bio = std::unique_ptr<BIO, FreeBio>;

const auto* Bytes(std::string_view text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

std::string Hex(const unsigned char* bytes, unsigned int size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(size * 2);
  for (unsigned int i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0f];
  }
  return text;
}

// Feeds chunks to a SHA-256 context; `next` returns false at a read error.
template <typename NextChunk>
std::optional<std::string> Sha256Of(NextChunk next) {
  MdContext context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
    return std::nullopt;
  const auto update = [&](const void* data, std::size_t size) {
    return EVP_DigestUpdate(context.get(), data, size) == 1;
  };
  if (!next(update))
    return std::nullopt;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(context.get(), digest, &size) != 1)
    return std::nullopt;
  return Hex(digest, size);
}

Key ReadPrivateKey(std::string_view pem) {
  Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  if (!bio)
    return nullptr;
  Key key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
  if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519)
    return nullptr;
  return key;
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
  return Sha256Of([&](auto update) { return update(bytes.data(), bytes.size()); }).value_or("");
}

std::optional<std::string> Sha256HexOfFile(const std::filesystem::path& hostPath) {
  const int file = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0)
    return std::nullopt;
  auto digest = Sha256Of([&](auto update) {
    std::vector<char> buffer(kFileChunkBytes);
    for (;;) {
      const ssize_t got = ::read(file, buffer.data(), buffer.size());
      if (got < 0 && errno == EINTR)
        continue;
      if (got < 0)
        return false;
      if (got == 0)
        return true;
      if (!update(buffer.data(), static_cast<std::size_t>(got)))
        return false;
    }
  });
  ::close(file);
  return digest;
}

bool VerifyEd25519(std::string_view publicKey, std::string_view message,
                   std::string_view signature) {
  if (publicKey.size() != kEd25519PublicKeyBytes || signature.size() != kEd25519SignatureBytes)
    return false;
  Key key(
      EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, Bytes(publicKey), publicKey.size()));
  MdContext context(EVP_MD_CTX_new());
  if (!key || !context ||
      EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
    return false;
  return EVP_DigestVerify(context.get(), Bytes(signature), signature.size(), Bytes(message),
                          message.size()) == 1;
}

std::optional<std::string> NewEd25519PrivateKeyPem() {
  KeyContext context(EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr));
  EVP_PKEY* made = nullptr;
  if (!context || EVP_PKEY_keygen_init(context.get()) != 1 ||
      EVP_PKEY_keygen(context.get(), &made) != 1)
    return std::nullopt;
  Key key(made);
  Bio bio(BIO_new(BIO_s_mem()));
  if (!bio ||
      PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
    return std::nullopt;
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  if (size <= 0 || data == nullptr)
    return std::nullopt;
  return std::string(data, static_cast<std::size_t>(size));
}

std::optional<std::string> Ed25519PublicKeyOf(std::string_view privateKeyPem) {
  const Key key = ReadPrivateKey(privateKeyPem);
  std::string raw(kEd25519PublicKeyBytes, '\0');
  std::size_t size = raw.size();
  if (!key ||
      EVP_PKEY_get_raw_public_key(key.get(), reinterpret_cast<unsigned char*>(raw.data()), &size) !=
          1 ||
      size != kEd25519PublicKeyBytes)
    return std::nullopt;
  return raw;
}

std::optional<std::string> SignEd25519(std::string_view privateKeyPem, std::string_view message) {
  const Key key = ReadPrivateKey(privateKeyPem);
  MdContext context(EVP_MD_CTX_new());
  if (!key || !context ||
      EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
    return std::nullopt;
  std::string signature(kEd25519SignatureBytes, '\0');
  std::size_t size = signature.size();
  if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                     Bytes(message), message.size()) != 1 ||
      size != kEd25519SignatureBytes)
    return std::nullopt;
  return signature;
}

}  // namespace platform

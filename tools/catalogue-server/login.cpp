#include "login.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cctype>
#include <map>
#include <regex>

namespace {

constexpr char kRealm[] = "ostrel";

std::string Hex(const unsigned char* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0f];
  }
  return text;
}

std::string Md5Hex(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &size, EVP_md5(), nullptr) != 1)
    return {};
  return Hex(digest, size);
}

std::string FreshNonce() {
  unsigned char bytes[16];
  if (RAND_bytes(bytes, sizeof bytes) != 1)
    return {};
  return Hex(bytes, sizeof bytes);
}

// Strict base64 (RFC 4648 alphabet, padded to whole groups): nothing for anything else.
std::optional<std::string> DecodeBase64(std::string_view text) {
  static constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  if (text.size() % 4 != 0)
    return std::nullopt;
  std::size_t padding = 0;
  while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
    ++padding;
  std::string bytes;
  unsigned value = 0;
  int bits = 0;
  for (const char c : text.substr(0, text.size() - padding)) {
    const auto digit = kAlphabet.find(c);
    if (digit == std::string_view::npos)
      return std::nullopt;
    value = (value << 6) | static_cast<unsigned>(digit);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes += static_cast<char>((value >> bits) & 0xff);
      value &= (1u << bits) - 1;
    }
  }
  return bytes;
}

bool SameSecret(const std::string& expected, const std::string& given) {
  return expected.size() == given.size() &&
         CRYPTO_memcmp(expected.data(), given.data(), expected.size()) == 0;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

}  // namespace

Login::Login(Scheme scheme, std::string user, std::string password)
    : m_scheme(scheme), m_user(std::move(user)), m_password(std::move(password)) {}

std::optional<Login::Scheme> Login::ParseScheme(std::string_view word) {
  if (word == "basic")
    return Scheme::kBasic;
  if (word == "digest")
    return Scheme::kDigest;
  if (word == "both")
    return Scheme::kBoth;
  return std::nullopt;
}

std::vector<std::string> Login::Challenges() {
  std::vector<std::string> challenges;
  if (OffersBasic())
    challenges.push_back(std::string("Basic realm=\"") + kRealm + "\"");
  if (OffersDigest()) {
    const std::string nonce = FreshNonce();
    {
      std::lock_guard lock(m_mutex);
      m_nonces.insert(nonce);
    }
    challenges.push_back(std::string("Digest realm=\"") + kRealm + "\", qop=\"auth\", nonce=\"" +
                         nonce + "\", algorithm=MD5");
  }
  return challenges;
}

bool Login::Accepts(std::string_view method, std::string_view authorization) const {
  if (authorization.empty())
    return false;
  const auto space = authorization.find(' ');
  const std::string kind = Lower(authorization.substr(0, space));
  const std::string_view rest =
      space == std::string_view::npos ? std::string_view() : authorization.substr(space + 1);
  if (kind == "basic" && OffersBasic())
    return AcceptsBasic(Trim(rest));
  if (kind == "digest" && OffersDigest())
    return AcceptsDigest(method, rest);
  return false;
}

bool Login::AcceptsBasic(std::string_view credentials) const {
  const std::optional<std::string> given = DecodeBase64(credentials);
  return given && SameSecret(m_user + ":" + m_password, *given);
}

bool Login::AcceptsDigest(std::string_view method, std::string_view text) const {
  static const std::regex kField(R"re((\w+)=("([^"]*)"|([^,\s]*)))re");
  std::map<std::string, std::string> fields;
  const std::string owned(text);
  for (auto it = std::sregex_iterator(owned.begin(), owned.end(), kField);
       it != std::sregex_iterator(); ++it) {
    const auto& match = *it;
    fields[Lower(match.str(1))] = match[3].matched ? match.str(3) : match.str(4);
  }
  const auto field = [&fields](const std::string& name) {
    const auto found = fields.find(name);
    return found != fields.end() ? found->second : std::string();
  };
  const std::string nonce = field("nonce");
  {
    std::lock_guard lock(m_mutex);
    if (!fields.contains("nonce") || !m_nonces.contains(nonce))
      return false;
  }
  if (!fields.contains("username") || field("username") != m_user || field("realm") != kRealm)
    return false;

  const std::string ha1 = Md5Hex(m_user + ":" + kRealm + ":" + m_password);
  const std::string ha2 = Md5Hex(std::string(method) + ":" + field("uri"));
  const std::string qop = field("qop");
  const std::string expected = qop.empty() ? Md5Hex(ha1 + ":" + nonce + ":" + ha2)
                                           : Md5Hex(ha1 + ":" + nonce + ":" + field("nc") + ":" +
                                                    field("cnonce") + ":" + qop + ":" + ha2);
  return !expected.empty() && SameSecret(expected, field("response"));
}

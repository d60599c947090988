#include "http_login.h"

#include <windows.h>
//
#include <wincrypt.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "platform/ascii.h"
#include "platform/base64.h"
#include "wide_text.h"

namespace platform {

namespace {

std::string Md5Hex(std::string_view text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  unsigned char digest[16] = {};
  DWORD size = sizeof digest;
  const bool made =
      ::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
      ::CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
      ::CryptHashData(hash, reinterpret_cast<const BYTE*>(text.data()),
                      static_cast<DWORD>(text.size()), 0) &&
      ::CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0);
  if (hash != 0)
    ::CryptDestroyHash(hash);
  if (provider != 0)
    ::CryptReleaseContext(provider, 0);
  std::string hex;
  for (std::size_t i = 0; made && i < sizeof digest; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 0x0f];
  }
  return hex;
}

struct Challenge {
  std::string scheme;
  std::map<std::string, std::string> parameters;  // names in lower case
};

// "Digest realm="a", qop="auth", nonce="n"": the scheme, then name=value
// pairs, values plain or quoted (with backslash escapes).
Challenge Parse(std::string_view line) {
  Challenge challenge;
  std::size_t at = line.find_first_not_of(" \t");
  if (at == std::string_view::npos)
    return challenge;
  const std::size_t schemeEnd = line.find_first_of(" \t", at);
  challenge.scheme = std::string(line.substr(at, schemeEnd - at));
  at = schemeEnd;
  while (at < line.size()) {
    at = line.find_first_not_of(" \t,", at);
    if (at == std::string_view::npos)
      break;
    const std::size_t equals = line.find('=', at);
    if (equals == std::string_view::npos)
      break;
    std::string name(line.substr(at, equals - at));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
      name.pop_back();
    for (char& c : name)
      c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    at = line.find_first_not_of(" \t", equals + 1);
    std::string value;
    if (at != std::string_view::npos && line[at] == '"') {
      for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size())
          ++at;
        value += line[at];
      }
      ++at;
    } else if (at != std::string_view::npos) {
      const std::size_t end = line.find_first_of(", \t", at);
      value = std::string(line.substr(at, end - at));
      at = end;
    }
    challenge.parameters[name] = value;
  }
  return challenge;
}

std::string Quoted(std::string_view text) {
  std::string quoted(1, '"');
  for (const char c : text) {
    if (c == '"' || c == '\\')
      quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::optional<std::string> DigestAnswer(const Challenge& challenge,
                                        const HttpCredentials& credentials, std::string_view uri) {
  const auto parameter = [&](const char* name) {
    const auto found = challenge.parameters.find(name);
    return found == challenge.parameters.end() ? std::string() : found->second;
  };
  const std::string algorithm = parameter("algorithm");
  if (!algorithm.empty() && !EqualsIgnoringCase(algorithm, "MD5"))
    return std::nullopt;
  const std::string realm = parameter("realm");
  const std::string nonce = parameter("nonce");
  const std::string qops = parameter("qop");
  const bool qopAuth = qops.find("auth") != std::string::npos;
  const std::string ha1 = Md5Hex(credentials.user + ":" + realm + ":" + credentials.password);
  const std::string ha2 = Md5Hex("GET:" + std::string(uri));
  std::random_device entropy;
  char cnonce[17];
  std::snprintf(cnonce, sizeof cnonce, "%08x%08x", entropy(), entropy());
  constexpr char kCount[] = "00000001";
  const std::string response =
      qopAuth ? Md5Hex(ha1 + ":" + nonce + ":" + kCount + ":" + cnonce + ":auth:" + ha2)
              : Md5Hex(ha1 + ":" + nonce + ":" + ha2);
  std::string answer = "Digest username=" + Quoted(credentials.user) + ", realm=" + Quoted(realm) +
                       ", nonce=" + Quoted(nonce) + ", uri=" + Quoted(uri);
  if (qopAuth)
    answer += std::string(", qop=auth, nc=") + kCount + ", cnonce=" + Quoted(cnonce);
  answer += ", response=" + Quoted(response);
  if (!parameter("opaque").empty())
    answer += ", opaque=" + Quoted(parameter("opaque"));
  if (!algorithm.empty())
    answer += ", algorithm=" + algorithm;
  return answer;
}

}  // namespace

std::string BasicAuthorization(const HttpCredentials& credentials) {
  return "Basic " + Base64Encode(credentials.user + ":" + credentials.password);
}

std::optional<std::string> AuthorizationFor(const std::vector<std::string>& challenges,
                                            const HttpCredentials& credentials,
                                            std::string_view uri) {
  bool basic = false;
  for (const std::string& line : challenges) {
    const Challenge challenge = Parse(line);
    if (EqualsIgnoringCase(challenge.scheme, "Digest")) {
      if (auto answer = DigestAnswer(challenge, credentials, uri))
        return answer;
    } else if (EqualsIgnoringCase(challenge.scheme, "Basic")) {
      basic = true;
    }
  }
  if (basic)
    return BasicAuthorization(credentials);
  return std::nullopt;
}

bool ShowSystemSignIn(HINTERNET request, HWND owner) {
  // As the framework's own ErrorDlg does, the desktop owns a dialog that has
  // no window of ours to belong to. The dialog reads the answer's challenge
  // (401: the server's login, 407: the proxy's) and keeps what the user
  // gives on the request.
  const DWORD answer = ::InternetErrorDlg(
      owner != nullptr ? owner : ::GetDesktopWindow(), request, ERROR_INTERNET_INCORRECT_PASSWORD,
      FLAGS_ERROR_UI_FLAGS_GENERATE_DATA | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS, nullptr);
  return answer == ERROR_INTERNET_FORCE_RETRY;
}

namespace {

std::optional<std::string> TextOption(HINTERNET request, DWORD option) {
  // Zero-filled and long enough for any login; the text ends at its NUL
  // whatever unit the system counts the length in.
  std::vector<wchar_t> text(1025, L'\0');
  DWORD size = static_cast<DWORD>((text.size() - 1) * sizeof(wchar_t));
  if (!::InternetQueryOptionW(request, option, text.data(), &size))
    return std::nullopt;
  return Cp1252FromWide(text.data());
}

}  // namespace

std::optional<HttpCredentials> CredentialsOnRequest(HINTERNET request) {
  auto user = TextOption(request, INTERNET_OPTION_USERNAME);
  auto password = TextOption(request, INTERNET_OPTION_PASSWORD);
  if (!user || user->empty() || !password)
    return std::nullopt;
  return HttpCredentials{std::move(*user), std::move(*password)};
}

std::string ProxySiteOf(HINTERNET internet, bool secure) {
  DWORD size = 0;
  ::InternetQueryOptionW(internet, INTERNET_OPTION_PROXY, nullptr, &size);
  if (size < sizeof(INTERNET_PROXY_INFO))
    return {};
  std::vector<unsigned char> buffer(size);
  if (!::InternetQueryOptionW(internet, INTERNET_OPTION_PROXY, buffer.data(), &size))
    return {};
  const auto* info = reinterpret_cast<const INTERNET_PROXY_INFO*>(buffer.data());
  if (info->dwAccessType != INTERNET_OPEN_TYPE_PROXY || info->lpszProxy == nullptr)
    return {};
  // "host:port", or per scheme: "http=host:port;https=host:port".
  const std::string list = Cp1252FromWide(reinterpret_cast<const wchar_t*>(info->lpszProxy));
  const std::string wanted = secure ? "https=" : "http=";
  std::string plain;
  std::string site;
  std::size_t at = 0;
  while (at < list.size()) {
    const std::size_t end = std::min(list.find_first_of("; ", at), list.size());
    const std::string entry = list.substr(at, end - at);
    at = end + 1;
    if (entry.compare(0, wanted.size(), wanted) == 0 && site.empty())
      site = entry.substr(wanted.size());
    else if (entry.find('=') == std::string::npos && plain.empty())
      plain = entry;
  }
  if (site.empty())
    site = plain;
  if (const std::size_t scheme = site.find("://"); scheme != std::string::npos)
    site.erase(0, scheme + 3);
  while (!site.empty() && site.back() == '/')
    site.pop_back();
  return site;
}

}  // namespace platform

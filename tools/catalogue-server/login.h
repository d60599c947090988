// One user's login for the loopback server, checked by Basic, Digest or either.
//
// Challenges() gives the WWW-Authenticate values to offer (Basic first); each
// Digest challenge carries a fresh nonce that Accepts() then knows. Thread-safe:
// every connection thread of the server may call it at once.
#pragma once

#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class Login {
 public:
  enum class Scheme { kBasic, kDigest, kBoth };

  Login(Scheme scheme, std::string user, std::string password);

  // "basic", "digest" or "both"; nothing for any other word.
  static std::optional<Scheme> ParseScheme(std::string_view word);

  std::vector<std::string> Challenges();
  // Whether `authorization` (the header's value, empty when absent) logs in
  // for a request made with `method`.
  bool Accepts(std::string_view method, std::string_view authorization) const;

 private:
  bool AcceptsBasic(std::string_view credentials) const;
  bool AcceptsDigest(std::string_view method, std::string_view fields) const;
  bool OffersBasic() const { return m_scheme != Scheme::kDigest; }
  bool OffersDigest() const { return m_scheme != Scheme::kBasic; }

  Scheme m_scheme;
  std::string m_user;
  std::string m_password;
  mutable std::mutex m_mutex;  // guards m_nonces
  std::set<std::string> m_nonces;
};

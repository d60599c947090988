// What the machine's administrator has decided for every user of the
// updater (platform/machine_policy.h says where it is kept). A value here
// wins over the shared settings file and the environment, and nothing a user
// can write weakens it.
//
// Values, all optional, in [Update] (the policy key's values on Windows):
//   AllowInstall  0: the window and --check work, installing is refused with
//                 InstallingTurnedOff(). Any other number allows it; a value
//                 that is not a number refuses it too, since an administrator
//                 who wrote one meant to say something.
//   PublicKeys    the only keys catalogues are trusted from, comma-separated
//                 base64 as in [internet] publickey; the settings file's and
//                 OSTREL_PUBLIC_KEY are then ignored.
//   CatalogueUrl  the catalogue server's base URL for every brand
// and in [CatalogueUrls] (the subkey CatalogueUrls on Windows):
//   <skin>        the base URL for that brand, before CatalogueUrl
//
// Reads the policy afresh at each Here(), logging once why one that is there
// was ignored. Any thread.
#pragma once

#include <optional>
#include <string>

class MachinePolicy {
 public:
  static MachinePolicy Here();
  explicit MachinePolicy(std::string text) : m_text(std::move(text)) {}

  bool InstallingAllowed() const;
  // The keys' text; empty when the policy names none.
  std::string PublicKeys() const;
  // The brand's base URL, as written; nullopt when the policy gives none.
  std::optional<std::string> CatalogueUrl(const std::string& skin) const;

 private:
  std::string m_text;
};

// The one sentence that refuses an install.
const char* InstallingTurnedOff();

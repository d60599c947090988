// What the machine policy's values mean, read from its text.
#include "support/machine_policy.h"

#include <gtest/gtest.h>

namespace {

struct PolicyCase {
  const char* text;
  bool installingAllowed;
  const char* corbainUrl;  // "" for none
};

TEST(MachinePolicy, ReadsEachValueAndRefusesInstallingOnAnythingButANumberOtherThanNought) {
  const PolicyCase cases[] = {
      {"", true, ""},
      {"[Update]\nAllowInstall=1\n", true, ""},
      {"[update]\nallowinstall = 0\n", false, ""},
      {"[Update]\nAllowInstall=no\n", false, ""},
      {"[Update]\nAllowInstall=\nCatalogueUrl=https://all/\n", true, "https://all/"},
      {"[Update]\nCatalogueUrl=https://all/\n[CatalogueUrls]\nCorbain=https://c/\n", true,
       "https://c/"},
      {"[CatalogueUrls]\nostrel=https://o/\n", true, ""},
  };
  for (const PolicyCase& policyCase : cases) {
    const MachinePolicy policy(policyCase.text);
    EXPECT_EQ(policy.InstallingAllowed(), policyCase.installingAllowed) << policyCase.text;
    EXPECT_EQ(policy.CatalogueUrl("Corbain").value_or(""), policyCase.corbainUrl)
        << policyCase.text;
  }
}

}  // namespace

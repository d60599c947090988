#include "catalogue/server_urls.h"
#include "testkit/host.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(ServerUrls, OnlyAnHttpOrHttpsUrlEndingInASlashIsUsed) {
  constexpr char kBadCharacter[] = "it holds a blank or another character that a URL cannot hold";
  const struct {
    const char* value;
    const char* url;      // what is used
    const char* problem;  // or why it cannot be
  } cases[] = {
      {"https://127.0.0.1:8080/ostrel/", "https://127.0.0.1:8080/ostrel/", ""},
      {"HTTP://h/", "http://h/", ""},
      {"", "", "it is empty"},
      {" http://h/", "", kBadCharacter},
      {"http://h/caf\xc3\xa9/", "", kBadCharacter},
      {"ftp://h/", "", "it does not begin with http:// or https://"},
      {"h/ostrel/", "", "it does not begin with http:// or https://"},
      {"http:///ostrel/", "", "it names no server"},
      {"http://h/x?a=/", "", "it has a query or a fragment, after which no file name can follow"},
      {"http://h", "", "it does not end in /"},
      {"http://h/ostrel", "", "it does not end in /"},
  };
  for (const auto& c : cases) {
    const CatalogueUrlCheck check = CheckCatalogueUrl(c.value);
    EXPECT_EQ(check.url, c.url) << c.value;
    EXPECT_EQ(check.problem, c.problem) << c.value;
  }
}

TEST(ServerUrls, ASetVariableIsNeverReplacedByTheUpdateServer) {
  SetEnvironment("OSTREL_RESELLER_CATALOGUE_URL", "ftp://reseller/");
  EXPECT_EQ(ResellerCatalogueUrl(), "ftp://reseller/");
  UnsetEnvironment("OSTREL_RESELLER_CATALOGUE_URL");
  EXPECT_EQ(ResellerCatalogueUrl(), "http://updates.corbain-software.co.uk/ostrel/");
}

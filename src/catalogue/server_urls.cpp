#include "catalogue/server_urls.h"

#include <cstdlib>
#include <string_view>

#include "brand/skin.h"

namespace {

constexpr const char* kDefaultCatalogueUrl = "http://updates.ostrel.co.uk/downloads/";
constexpr const char* kResellerCatalogueUrl = "http://updates.corbain-software.co.uk/ostrel/";

std::string FromEnvironment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  if (value == nullptr)
    return fallback;
  std::string url(value);
  const bool isHttp = url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
  if (!isHttp)
    return fallback;
  if (url.back() != '/')
    url += '/';
  return url;
}

}  // namespace

std::string DefaultCatalogueUrl() {
  return FromEnvironment("OSTREL_CATALOGUE_URL", kDefaultCatalogueUrl);
}

std::string ResellerCatalogueUrl() {
  return FromEnvironment("OSTREL_RESELLER_CATALOGUE_URL", kResellerCatalogueUrl);
}

std::string ServerBaseUrl() {
  return GetSkin() == "Corbain" ? ResellerCatalogueUrl() : DefaultCatalogueUrl();
}

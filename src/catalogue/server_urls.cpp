#include "catalogue/server_urls.h"

#include <cstdlib>

#include "brand/skin.h"
#include "platform/ascii.h"
#include "support/machine_policy.h"

namespace {

constexpr const char* kDefaultCatalogueUrl = "http://updates.ostrel.co.uk/downloads/";
constexpr const char* kResellerCatalogueUrl = "http://updates.corbain-software.co.uk/ostrel/";
constexpr const char* kVariables[] = {"OSTREL_CATALOGUE_URL", "OSTREL_RESELLER_CATALOGUE_URL"};

std::string FromEnvironment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  if (value == nullptr)
    return fallback;
  CatalogueUrlCheck check = CheckCatalogueUrl(value);
  return check.problem.empty() ? check.url : value;
}

// The value as a message may show it: control characters would act on the
// terminal.
std::string Printable(std::string_view value) {
  std::string shown(value);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
      c = '?';
  }
  return shown;
}

}  // namespace

CatalogueUrlCheck CheckCatalogueUrl(std::string_view value) {
  CatalogueUrlCheck check;
  const auto fail = [&](const char* problem) {
    check.problem = problem;
    return check;
  };
  if (value.empty())
    return fail("it is empty");
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7f)
      return fail("it holds a blank or another character that a URL cannot hold");
  }
  const std::size_t schemeEnd = value.find("://");
  const std::string scheme = platform::AsciiLowerCased(
      std::string(value.substr(0, schemeEnd == std::string_view::npos ? 0 : schemeEnd)));
  if (scheme != "http" && scheme != "https")
    return fail("it does not begin with http:// or https://");
  const std::string_view rest = value.substr(schemeEnd + 3);
  if (rest.empty() || rest.front() == '/')
    return fail("it names no server");
  if (rest.find_first_of("?#") != std::string_view::npos)
    return fail("it has a query or a fragment, after which no file name can follow");
  if (rest.find('/') == std::string_view::npos || value.back() != '/')
    return fail("it does not end in /");
  // Schemes are case-insensitive: HTTP:// is http://.
  check.url = scheme + std::string(value.substr(schemeEnd));
  return check;
}

std::string CatalogueUrlProblem() {
  const std::string skin = GetSkin();
  if (const auto url = MachinePolicy::Here().CatalogueUrl(skin)) {
    const CatalogueUrlCheck check = CheckCatalogueUrl(*url);
    if (!check.problem.empty())
      return "The machine policy's catalogue URL for " + Printable(skin) + " is \"" +
             Printable(*url) + "\", which cannot be used: " + check.problem +
             ". Ask your administrator to correct it.";
    return {};  // the variables are not used then
  }
  for (const char* name : kVariables) {
    const char* value = std::getenv(name);
    if (value == nullptr)
      continue;
    const CatalogueUrlCheck check = CheckCatalogueUrl(value);
    if (!check.problem.empty())
      return std::string(name) + " is set to \"" + Printable(value) +
             "\", which cannot be used: " + check.problem +
             ". Set it to an http:// or https:// URL ending in /, or unset it.";
  }
  return {};
}

std::string DefaultCatalogueUrl() {
  return FromEnvironment(kVariables[0], kDefaultCatalogueUrl);
}

std::string ResellerCatalogueUrl() {
  return FromEnvironment(kVariables[1], kResellerCatalogueUrl);
}

std::string ServerBaseUrl() {
  // The administrator's choice wins over the variables, which any user sets.
  if (const auto url = MachinePolicy::Here().CatalogueUrl(GetSkin())) {
    const CatalogueUrlCheck check = CheckCatalogueUrl(*url);
    return check.problem.empty() ? check.url : *url;
  }
  return GetSkin() == "Corbain" ? ResellerCatalogueUrl() : DefaultCatalogueUrl();
}

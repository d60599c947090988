// Where the brand's update catalogue lives.
#pragma once

#include <string>
#include <string_view>

// The catalogue server's base URL, an http(s) URL ending in "/": the
// reseller's when the skin is exactly "Corbain", else the default. Each can be
// overridden from the environment (OSTREL_CATALOGUE_URL,
// OSTREL_RESELLER_CATALOGUE_URL) for staging servers, tests and the demo.
// A variable that is set is used whatever it holds, never the compiled-in
// server instead: one that cannot be used (CatalogueUrlProblem) makes its
// fetches fail, and the updater refuses to start with it anyway. A base URL
// in the machine policy for the brand wins over both (support/machine_policy.h).
std::string ServerBaseUrl();

std::string DefaultCatalogueUrl();
std::string ResellerCatalogueUrl();

// A base URL as a variable gives it: the URL to use (its scheme in lower
// case), or, when `problem` is not empty, why it cannot be used.
struct CatalogueUrlCheck {
  std::string url;
  std::string problem;
};
CatalogueUrlCheck CheckCatalogueUrl(std::string_view value);

// The machine policy's URL for the brand when it cannot be used, else the
// first of the two variables that is set but cannot be used, as a message
// naming it, its value and why; empty when there is none.
std::string CatalogueUrlProblem();

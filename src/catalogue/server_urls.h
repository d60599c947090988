// Where the brand's update catalogue lives.
#pragma once

#include <string>

// The catalogue server's base URL, an http(s) URL ending in "/": the
// reseller's when the skin is exactly "Corbain", else the default. Each can be
// overridden from the environment (OSTREL_CATALOGUE_URL,
// OSTREL_RESELLER_CATALOGUE_URL) for staging servers, tests and the demo; a
// value that is not an http(s) URL is ignored, and a missing final "/" added.
std::string ServerBaseUrl();

std::string DefaultCatalogueUrl();
std::string ResellerCatalogueUrl();

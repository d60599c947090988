// The brand-specific names, web domains and contact details that brand text
// rewriting puts in place of the maker's. Every such value lives here and
// nowhere else, so a change of address or number is one edit.
//
// Web domains are plain host domains, without scheme or path. The reseller's
// domain is a sub-domain of the maker's legacy domain: a text that already
// names the reseller must not have the legacy domain inside it rewritten.
#pragma once

#include <string_view>

namespace brand {

// The two maker domains that are replaced.
inline constexpr std::string_view kMakerWebDomain = "ostrel.co.uk";
inline constexpr std::string_view kMakerLegacyWebDomain = "ostrelsoftware.com";

// The partner and reseller domains that replace them.
inline constexpr std::string_view kGresmoWebDomain = "gresmo-software.co.uk";
inline constexpr std::string_view kQnWebDomain = "qn-accounts.co.uk";
inline constexpr std::string_view kCorbainWebDomain = "corbain.ostrelsoftware.com";

// Contact details of the maker and of the reseller "Corbain", pairwise.
inline constexpr std::string_view kMakerTelephone1 = "01632 960100";
inline constexpr std::string_view kMakerTelephone2 = "01632 960200";
inline constexpr std::string_view kCorbainTelephone1 = "0113 496 0441";
inline constexpr std::string_view kCorbainTelephone2 = "0113 496 0442";

inline constexpr std::string_view kMakerBuilding = "Thornfield Barns";
inline constexpr std::string_view kCorbainStreetAddress = "4 Mill Court, Fellgate Road,";

inline constexpr std::string_view kMakerVillage = "Little Aldwick";
inline constexpr std::string_view kCorbainTownAndCounty = "Kelderby, North Yorkshire";

inline constexpr std::string_view kMakerPostcode = "QX7 2LB";
inline constexpr std::string_view kCorbainPostcode = "QX14 8RT";

}  // namespace brand

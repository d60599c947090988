#include "brand/brand_text.h"

#include <array>
#include <utility>

#include "brand/brand_values.h"
#include "brand/skin.h"

namespace {

// Replaces every non-overlapping occurrence of `from`, left to right, never
// rescanning what was put in; returns how many there were.
int ReplaceEvery(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty())
    return 0;
  int count = 0;
  std::string result;
  std::size_t copied = 0;
  for (std::size_t found = text.find(from); found != std::string::npos;
       found = text.find(from, copied)) {
    result.append(text, copied, found - copied);
    result += to;
    copied = found + from.size();
    ++count;
  }
  if (count > 0) {
    result.append(text, copied, std::string::npos);
    text = std::move(result);
  }
  return count;
}

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Capitalised(std::string text) {
  if (!text.empty())
    text[0] = AsciiUpper(text[0]);
  return text;
}

std::string UpperCased(std::string text) {
  for (char& c : text)
    c = AsciiUpper(c);
  return text;
}

std::string Concat(std::string_view a, std::string_view b) {
  std::string joined(a);
  joined += b;
  return joined;
}

// The web-domain target of a skin, before the prefix is put in front; empty
// when the skin gets no domain rewrite.
std::string WebDomainOf(const std::string& skin) {
  if (skin == "gresmo")
    return std::string(brand::kGresmoWebDomain);
  if (skin == "QN")
    return std::string(brand::kQnWebDomain);
  if (skin == "Corbain")
    return std::string(brand::kCorbainWebDomain);
  if (skin == "ostrel" || skin.empty())
    return {};
  return skin + ".co.uk";
}

std::string LowerCased(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// Skins that take the shared brand-name step, with their logo numbers, in the
// order in which they are tried.
constexpr std::array<std::pair<std::string_view, int>, 9> kLogoNumbers{{
    {"QN", 4},
    {"Ashcolm", 5},
    {"Lumbry", 6},
    {"Pennock", 7},
    {"Yelm", 8},
    {"Orbeline", 9},
    {"Draymont", 10},
    {"Venick", 11},
    {"Corbain", 12},
}};

void RewriteCorbainCompanyAndContact(std::string& text) {
  ReplaceEvery(text, "Corbain Computer Systems", "Corbain Accounting Software");
  ReplaceEvery(text, "CORBAIN COMPUTER SYSTEMS", "Corbain Accounting Software");
  ReplaceEvery(text, brand::kMakerTelephone1, brand::kCorbainTelephone1);
  ReplaceEvery(text, brand::kMakerTelephone2, brand::kCorbainTelephone2);
  ReplaceEvery(text, brand::kMakerBuilding, brand::kCorbainStreetAddress);
  ReplaceEvery(text, brand::kMakerVillage, brand::kCorbainTownAndCounty);
  ReplaceEvery(text, brand::kMakerPostcode, brand::kCorbainPostcode);
}

}  // namespace

int ApplyBrandName(std::string& text, int logoNumber, const std::string& skin) {
  const std::string cap = Capitalised(skin);
  const std::string number = std::to_string(logoNumber);
  int count = 0;
  // The maker's own logo name goes first, so that it becomes one numbered
  // logo name as a whole rather than "<Skin>" + a numbered "logo.jpg".
  count += ReplaceEvery(text, "ostrellogo.jpg", "l" + number + ".jpg");
  count += ReplaceEvery(text, "Ostrel", cap);
  count += ReplaceEvery(text, "OSTREL", UpperCased(skin));
  count += ReplaceEvery(text, "logo.bmp", "l" + number + ".bmp");
  count += ReplaceEvery(text, "logo.jpg", "l" + number + ".jpg");
  count += ReplaceEvery(text, "Halvex", cap + " Tax");
  return count;
}

bool ReplaceWebDomain(std::string& text, std::string_view prefix, const std::string& skin) {
  // The reseller's domain ends with the maker's legacy domain; rewriting that
  // tail would break an address that is already right.
  if (text.find(brand::kCorbainWebDomain) != std::string::npos)
    return false;
  const std::string domain = WebDomainOf(skin);
  if (domain.empty())
    return false;
  const std::string target = LowerCased(Concat(prefix, domain));
  const std::string legacy = Concat(prefix, brand::kMakerLegacyWebDomain);
  const std::string main = Concat(prefix, brand::kMakerWebDomain);
  int count = 0;
  count += ReplaceEvery(text, legacy, target);
  count += ReplaceEvery(text, main, target);
  const std::string upperTarget = UpperCased(target);
  count += ReplaceEvery(text, UpperCased(legacy), upperTarget);
  count += ReplaceEvery(text, UpperCased(main), upperTarget);
  return count > 0;
}

bool BrandText(std::string& text, const std::string& skin) {
  if (ReplaceWebDomain(text, "www.", skin))
    return true;
  if (ReplaceWebDomain(text, "", skin))
    return true;

  int counted = 0;
  if (skin == "gresmo") {
    counted += ReplaceEvery(text, "Ostrel CIS", "Gresmo Enterprise CIS");
    counted += ReplaceEvery(text, "Ostrel Accounts", "Gresmo Accounts Production");
    counted += ReplaceEvery(text, "Brevalt", "Gresmo Enterprise CIS");
    counted += ApplyBrandName(text, 2, skin);
    // "Ostrel Gresmo" has just become "Gresmo Gresmo".
    counted += ReplaceEvery(text, "Gresmo Gresmo", "Gresmo");
  } else if (skin == "tarvish") {
    counted += ReplaceEvery(text, "Ostrel Accounts", "Tarvish For Accountants");
    counted += ApplyBrandName(text, 3, skin);
  }
  for (const auto& [name, logoNumber] : kLogoNumbers)
    if (skin == name)
      counted += ApplyBrandName(text, logoNumber, skin);
  if (skin == "Orbeline")
    ReplaceEvery(text, "Orbeline Tax", "Tax");
  if (skin == "Corbain")
    RewriteCorbainCompanyAndContact(text);

  // Both rewrites need a "Werrin"; most texts have none.
  if (text.find("Werrin") != std::string::npos) {
    const std::string timeAndFees = skin + " Time and Fees";
    counted += ReplaceEvery(text, "Werrin Time & Fees", timeAndFees);
    counted += ReplaceEvery(text, "Werrin", timeAndFees);
  }
  return counted > 0;
}

bool BrandText(std::string& text) {
  return BrandText(text, GetSkin());
}

int ApplyBrandName(std::string& text, int logoNumber) {
  return ApplyBrandName(text, logoNumber, GetSkin());
}

bool ReplaceWebDomain(std::string& text, std::string_view prefix) {
  return ReplaceWebDomain(text, prefix, GetSkin());
}

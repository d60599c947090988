#include "brand/brand_text.h"

#include <gtest/gtest.h>

#include "brand/brand_values.h"

namespace {

struct Branded {
  std::string text;
  bool counted;
};

class BrandTextFor : public ::testing::Test {
 protected:
  void UseSkin(const std::string& skin) { m_skin = skin; }

  Branded Brand(std::string text) const {
    const bool counted = BrandText(text, m_skin);
    return {text, counted};
  }

  std::string m_skin = "ostrel";
};

std::string Concat(std::string_view a, std::string_view b, std::string_view c = "") {
  return std::string(a) + std::string(b) + std::string(c);
}

TEST_F(BrandTextFor, TheMakersOwnSkinRewritesOnlyTheTimeAndFeesName) {
  EXPECT_EQ(Brand("Ostrel").text, "Ostrel");
  EXPECT_FALSE(Brand("Ostrel").counted);
  const std::string site = Concat("www.", brand::kMakerWebDomain);
  EXPECT_EQ(Brand(site).text, site);
  EXPECT_FALSE(Brand(site).counted);

  const Branded fees = Brand("Werrin Time & Fees");
  EXPECT_EQ(fees.text, "ostrel Time and Fees");
  EXPECT_TRUE(fees.counted);
}

TEST_F(BrandTextFor, LumbryRenamesProductsAndLogosWithTheMakersLogoAsAWhole) {
  UseSkin("Lumbry");
  EXPECT_EQ(Brand("Ostrel Accounts").text, "Lumbry Accounts");
  EXPECT_EQ(Brand("Halvex").text, "Lumbry Tax");
  EXPECT_EQ(Brand("logo.jpg").text, "l6.jpg");
  EXPECT_EQ(Brand("logo.bmp").text, "l6.bmp");
  EXPECT_EQ(Brand("ostrellogo.jpg").text, "l6.jpg");
  EXPECT_EQ(Brand("OSTREL PAYROLL").text, "LUMBRY PAYROLL");
  EXPECT_TRUE(Brand("Halvex").counted);

  std::string both = "ostrellogo.jpg, Ostrel";
  EXPECT_EQ(ApplyBrandName(both, 6, "Lumbry"), 2);
  EXPECT_EQ(both, "l6.jpg, Lumbry");
}

TEST_F(BrandTextFor, GresmoFoldsTheDoubledNameInOnePassWithoutRescanning) {
  UseSkin("gresmo");
  EXPECT_EQ(Brand("Ostrel Gresmo").text, "Gresmo");
  EXPECT_EQ(Brand("Brevalt").text, "Gresmo Enterprise CIS");
  EXPECT_EQ(Brand("Ostrel CIS").text, "Gresmo Enterprise CIS");
  EXPECT_EQ(Brand("Ostrel Accounts").text, "Gresmo Accounts Production");
  EXPECT_EQ(Brand("Gresmo Gresmo Gresmo").text, "Gresmo Gresmo");
  EXPECT_EQ(Brand("ostrellogo.jpg").text, "l2.jpg");
  EXPECT_TRUE(Brand("Gresmo Gresmo").counted);
}

TEST_F(BrandTextFor, OrbelineCallsTheMakersTaxProductPlainTax) {
  UseSkin("Orbeline");
  const Branded tax = Brand("Halvex 2024");
  EXPECT_EQ(tax.text, "Tax 2024");
  EXPECT_TRUE(tax.counted);
  // The clean-up alone is not counted.
  EXPECT_EQ(Brand("Orbeline Tax").text, "Tax");
  EXPECT_FALSE(Brand("Orbeline Tax").counted);
}

TEST_F(BrandTextFor, TarvishAndQnGetTheirOwnProductAndUpperCaseNames) {
  UseSkin("tarvish");
  EXPECT_EQ(Brand("Ostrel Accounts and Ostrel").text, "Tarvish For Accountants and Tarvish");
  EXPECT_EQ(Brand("logo.jpg").text, "l3.jpg");
  UseSkin("QN");
  EXPECT_EQ(Brand("OSTREL and Ostrel").text, "QN and QN");
  EXPECT_EQ(Brand("logo.jpg").text, "l4.jpg");
}

TEST_F(BrandTextFor, CorbainRewritesContactDetailsWithoutCountingThem) {
  UseSkin("Corbain");
  const std::string makerPhones = Concat(brand::kMakerTelephone1, " / ", brand::kMakerTelephone2);
  const Branded phones = Brand(makerPhones);
  EXPECT_EQ(phones.text, Concat(brand::kCorbainTelephone1, " / ", brand::kCorbainTelephone2));
  EXPECT_FALSE(phones.counted);

  const Branded address = Brand(Concat(brand::kMakerBuilding, "\n", brand::kMakerVillage) + "\n" +
                                std::string(brand::kMakerPostcode));
  EXPECT_EQ(address.text, Concat(brand::kCorbainStreetAddress, "\n", brand::kCorbainTownAndCounty) +
                              "\n" + std::string(brand::kCorbainPostcode));
  EXPECT_FALSE(address.counted);

  // The maker's company name first takes the reseller's name, then its
  // company name; the brand step counts.
  const Branded company = Brand("Ostrel Computer Systems, OSTREL COMPUTER SYSTEMS");
  EXPECT_EQ(company.text, "Corbain Accounting Software, Corbain Accounting Software");
  EXPECT_TRUE(company.counted);
  EXPECT_EQ(Brand("ostrellogo.jpg").text, "l12.jpg");
}

TEST_F(BrandTextFor, ARewrittenWebDomainStopsEveryOtherRewrite) {
  UseSkin("gresmo");
  const Branded site = Brand(Concat("Ostrel Accounts: http://www.", brand::kMakerWebDomain, "/"));
  EXPECT_EQ(site.text, Concat("Ostrel Accounts: http://www.", brand::kGresmoWebDomain, "/"));
  EXPECT_TRUE(site.counted);

  // Without "www." the bare domain is rewritten; the upper-case form too,
  // the legacy domain before the main one.
  const std::string upperLegacy = "WWW.OSTRELSOFTWARE.COM";
  EXPECT_EQ(Brand(upperLegacy).text, "WWW.GRESMO-SOFTWARE.CO.UK");
  EXPECT_EQ(Brand(Concat("mail@", brand::kMakerLegacyWebDomain, " Ostrel")).text,
            Concat("mail@", brand::kGresmoWebDomain, " Ostrel"));

  UseSkin("QN");
  EXPECT_EQ(Brand(Concat("www.", brand::kMakerWebDomain)).text,
            Concat("www.", brand::kQnWebDomain));
}

TEST_F(BrandTextFor, TheResellersDomainStopsTheDomainRewriteButNotTheNames) {
  UseSkin("Corbain");
  const std::string reseller = Concat("www.", brand::kCorbainWebDomain);
  const Branded text = Brand(reseller + " " + std::string(brand::kMakerWebDomain) + " Ostrel");
  EXPECT_EQ(text.text, reseller + " " + std::string(brand::kMakerWebDomain) + " Corbain");
  EXPECT_TRUE(text.counted);

  // Without the reseller's domain in the text the maker's becomes it, and the
  // legacy domain inside the new one is left alone.
  const Branded legacy = Brand(Concat("www.", brand::kMakerLegacyWebDomain, " and www.") +
                               std::string(brand::kMakerWebDomain));
  EXPECT_EQ(legacy.text, reseller + " and " + reseller);
}

TEST_F(BrandTextFor, ASkinWithoutSpecialMeaningGetsItsOwnDomainAndTheTimeAndFeesName) {
  UseSkin("Fernhill");
  EXPECT_EQ(Brand(Concat("www.", brand::kMakerLegacyWebDomain)).text, "www.fernhill.co.uk");
  const Branded names = Brand("Ostrel Werrin");
  EXPECT_EQ(names.text, "Ostrel Fernhill Time and Fees");
  EXPECT_TRUE(names.counted);
}

TEST_F(BrandTextFor, AnEmptySkinKeepsDomainsAndLeavesABlankBeforeTimeAndFees) {
  UseSkin("");
  const std::string site = Concat("www.", brand::kMakerWebDomain);
  EXPECT_EQ(Brand(site).text, site);
  const Branded fees = Brand("Werrin");
  EXPECT_EQ(fees.text, " Time and Fees");
  EXPECT_TRUE(fees.counted);
}

}  // namespace

// Loading the catalogue from a real server on loopback.
#include "catalogue/update_doc.h"

#include "brand/skin.h"
#include "catalogue/server_urls.h"
#include "catalogue_fixture.h"
#include "testkit/host.h"
#include "xml/xml_var.h"

namespace {

const std::vector<CatalogueItem> kMixed = {
    {"Ostrel Accounts update", "accounts.exe"},
    {"Payroll tax tables", "payroll.exe"},
    {"payroll in lower case", "lower.exe"},
    {"CIS return forms", "cis.exe"},
};

}  // namespace

using CatalogueLoad = CatalogueTest;

TEST_F(CatalogueLoad, TheMakersBrandSeesEveryItemAndTheViewsAreToldOnce) {
  Publish(kMixed);
  doc.LoadCatalogue();
  EXPECT_EQ(ItemDescriptions().size(), 4u);
  EXPECT_EQ(desktop.ViewUpdates(), std::vector<int>{cmd::kHintCatalogue});
  EXPECT_EQ(doc.GetTitle(), "Ostrel");
  EXPECT_NE(prefix.LogText().find("connecting..."), std::string::npos);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].path, "/download.xml");
}

TEST_F(CatalogueLoad, GresmoDoesNotSeePayrollItemsWrittenWithACapital) {
  SetSkin("gresmo");
  Publish(kMixed);
  doc.LoadCatalogue();
  const auto names = ItemDescriptions();
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[1], "payroll in lower case");
}

TEST_F(CatalogueLoad, CorbainFetchesFromTheResellerAndDoesNotSeeCisItems) {
  LoopbackServer reseller;
  SetEnvironment("OSTREL_RESELLER_CATALOGUE_URL", reseller.BaseUrl().c_str());
  SetSkin("Corbain");
  EXPECT_EQ(ServerBaseUrl(), reseller.BaseUrl());
  reseller.AddFile("download.xml",
                   "<c><Downloads><i><Description>CIS forms</Description><Info>CIS.txt</Info></i>"
                   "<i><Description>Accounts</Description></i></Downloads></c>");
  doc.LoadCatalogue();
  EXPECT_EQ(ItemDescriptions(), std::vector<std::string>{"Accounts"});
  EXPECT_TRUE(server.Requests().empty());
}

TEST_F(CatalogueLoad, AnItemMatchingTwiceIsRemovedOnceAndItsNeighboursStay) {
  SetSkin("gresmo");
  Publish(
      {{"Before", "a.exe"}, {"Payroll update", "b.exe", "1", "Payroll.txt"}, {"After", "c.exe"}});
  doc.LoadCatalogue();
  EXPECT_EQ(ItemDescriptions(), (std::vector<std::string>{"Before", "After"}));
}

TEST_F(CatalogueLoad, AFailedFetchGivesAnEmptyCatalogueAndOneMessageEvenOverAnOldFile) {
  prefix.WriteFile("c:\\temp\\temp.xml", "<c><Downloads><i><a>stale</a></i></Downloads></c>");
  const std::string down = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/";
  SetEnvironment("OSTREL_CATALOGUE_URL", down.c_str());
  doc.LoadCatalogue();
  ASSERT_NE(doc.Downloads(), nullptr);
  EXPECT_TRUE(doc.Downloads()->Children().empty());
  EXPECT_EQ(desktop.Messages().size(), 1u);
  EXPECT_TRUE(desktop.ViewUpdates().empty());
}

TEST_F(CatalogueLoad, DownloadsNestedDeeperGivesAnEmptyCatalogue) {
  server.AddFile("download.xml", "<c><wrap><Downloads><i><a>x</a></i></Downloads></wrap></c>");
  doc.LoadCatalogue();
  EXPECT_TRUE(doc.Downloads()->Children().empty());
  EXPECT_TRUE(desktop.ViewUpdates().empty());
}

TEST_F(CatalogueLoad, EveryTextIsRewrittenForTheBrandLinksIncluded) {
  SetSkin("Lumbry");
  server.AddFile("download.xml",
                 "<c><Downloads><i><Description>Ostrel Accounts</Description>"
                 "<link href=\"http://www.ostrel.co.uk/\">Ostrel</link></i></Downloads></c>");
  doc.LoadCatalogue();
  CXMLVar* item = Item(0);
  ASSERT_NE(item, nullptr);
  EXPECT_NE(item->ChildValue("Description"), "Ostrel Accounts");
  CXMLVar* link = item->FindChild("link");
  ASSERT_NE(link, nullptr);
  EXPECT_NE(link->m_strValue, "Ostrel");
  EXPECT_NE(doc.GetTitle(), "Ostrel");
}

TEST_F(CatalogueLoad, AReloadKeepsTheEarlierCopyAlive) {
  Publish({{"First", "a.exe"}});
  doc.LoadCatalogue();
  CXMLVar* earlier = Item(0);
  Publish({{"Second", "b.exe"}});
  ASSERT_TRUE(doc.OnCommand(cmd::kReloadCatalogue));
  EXPECT_EQ(ItemDescriptions(), std::vector<std::string>{"Second"});
  EXPECT_EQ(earlier->ChildValue("Description"), "First");
}

#include "brand/skin.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "brand/brand_text.h"
#include "support/settings.h"
#include "testkit/temp_prefix.h"

namespace {

class Skin : public ::testing::Test {
 protected:
  void SetUp() override { ForgetSkin(); }
  void TearDown() override { ForgetSkin(); }

  std::string SettingsFile() const { return m_prefix.ReadFile("c:\\windows\\ostrel.ini"); }

  TempPrefix m_prefix;
};

TEST_F(Skin, WithoutASettingsFileTheSkinIsTheMakersOwnAndBrandTextFollowsIt) {
  EXPECT_EQ(GetSkin(), "ostrel");
  std::string fees = "Werrin";
  EXPECT_TRUE(BrandText(fees));
  EXPECT_EQ(fees, "ostrel Time and Fees");
}

TEST_F(Skin, SetSkinMapsTheShortFormStoresItAndLogsTheValueAsPassed) {
  SetSkin("LB");
  EXPECT_EQ(GetSkin(), "Lumbry");
  EXPECT_NE(SettingsFile().find("skin=Lumbry\r\n"), std::string::npos);
  EXPECT_NE(m_prefix.LogText().find(": SetSkin(LB)\r\n"), std::string::npos);
}

TEST_F(Skin, ASkinThatCannotBeSavedHoldsForTheRunAndIsLogged) {
  std::filesystem::create_directories(m_prefix.Host("c:\\windows\\ostrel.ini"));
  SetSkin("gresmo");
  EXPECT_EQ(GetSkin(), "gresmo");
  EXPECT_NE(m_prefix.LogText().find(
                ": the skin gresmo could not be saved in c:\\windows\\ostrel.ini\r\n"),
            std::string::npos);
}

TEST_F(Skin, OldBrandNamesReadFromTheFileCountAsTheMakersOwnAndTheFileKeepsThem) {
  for (const char* old : {"Mirlode", "ocsys"}) {
    ForgetSkin();
    WriteProfileString("general", "skin", old);
    EXPECT_EQ(GetSkin(), "ostrel") << old;
    EXPECT_EQ(GetProfileString("general", "skin", ""), old);
  }
  // Set during the run, they stay as they are until the next run reads them.
  SetSkin("Mirlode");
  EXPECT_EQ(GetSkin(), "Mirlode");
}

TEST_F(Skin, OnceReadTheSkinIsKeptForTheRun) {
  WriteProfileString("general", "skin", "gresmo");
  EXPECT_EQ(GetSkin(), "gresmo");
  WriteProfileString("general", "skin", "Yelm");
  EXPECT_EQ(GetSkin(), "gresmo");
}

TEST_F(Skin, AnEmptyValueInTheFileIsReadAgainAtEveryCall) {
  WriteProfileString("general", "skin", "");
  EXPECT_EQ(GetSkin(), "");
  WriteProfileString("general", "skin", "Venick");
  EXPECT_EQ(GetSkin(), "Venick");
}

}  // namespace

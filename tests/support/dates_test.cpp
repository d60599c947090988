#include "support/dates.h"
#include "testkit/host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <tuple>

namespace {

struct Parsed {
  bool valid;
  int year = -1;
  int month = -1;
  int day = -1;
};

Parsed Parse(const char* text) {
  Parsed p{};
  p.valid = ParseDate(text, p.year, p.month, p.day);
  return p;
}

// Three hours east of Greenwich all year round, so that local noon is a
// known moment: 09:00 UTC.
class DateTextInFixedZone : public ::testing::Test {
 protected:
  DateTextInFixedZone() {
    if (const char* zone = std::getenv("TZ"))
      m_saved = zone;
    SetEnvironment("TZ", "XYZ-3");
    ::tzset();
  }
  ~DateTextInFixedZone() override {
    if (m_saved)
      SetEnvironment("TZ", m_saved->c_str());
    else
      UnsetEnvironment("TZ");
    ::tzset();
  }

 private:
  std::optional<std::string> m_saved;
};

}  // namespace

TEST(DateText, AcceptedFormsAllGiveTheSameDay) {
  for (const char* text : {"1-2-03", "01.02.2003", "01/02/2003", "01022003", "01/02/2003 10:30"}) {
    const Parsed p = Parse(text);
    EXPECT_TRUE(p.valid) << text;
    EXPECT_EQ(std::tie(p.day, p.month, p.year), std::make_tuple(1, 2, 2003)) << text;
  }
  const Parsed backslashes = Parse("1\\2\\99");
  EXPECT_TRUE(backslashes.valid);
  EXPECT_EQ(backslashes.year, 1999);
  const Parsed eight = Parse("13052003");
  EXPECT_TRUE(eight.valid);
  EXPECT_EQ(std::tie(eight.day, eight.month, eight.year), std::make_tuple(13, 5, 2003));
}

TEST(DateText, CalendarRulesDecideValidity) {
  EXPECT_TRUE(Parse("29/02/2000").valid);
  EXPECT_FALSE(Parse("29/02/2001").valid);
  EXPECT_FALSE(Parse("31/04/2005").valid);
  EXPECT_FALSE(Parse("1/13/2005").valid);
  EXPECT_FALSE(Parse("0/1/2005").valid);
  EXPECT_FALSE(Parse("1/0/2005").valid);
}

TEST(DateText, IncompleteAndYearFirstTextsAreRejectedWithTheFieldsAsFarAsRead) {
  const Parsed oneSeparator = Parse("1/2");
  EXPECT_FALSE(oneSeparator.valid);
  EXPECT_EQ(std::tie(oneSeparator.day, oneSeparator.month, oneSeparator.year),
            std::make_tuple(1, 2, -1));
  const Parsed yearFirst = Parse("2003-02-01");
  EXPECT_FALSE(yearFirst.valid);
  EXPECT_EQ(std::tie(yearFirst.day, yearFirst.month, yearFirst.year),
            std::make_tuple(2003, 2, 2001));
  const Parsed sevenDigits = Parse("1234567x");
  EXPECT_FALSE(sevenDigits.valid);
  EXPECT_EQ(sevenDigits.day, -1);
  EXPECT_FALSE(Parse("").valid);
}

TEST(DateText, HelpersWindowYearsAndCountSeparators) {
  EXPECT_EQ(ExpandYear(14), 2014);
  EXPECT_EQ(ExpandYear(15), 1915);
  EXPECT_EQ(ExpandYear(100), 2000);
  EXPECT_EQ(ExpandYear(2003), 2003);
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(0));
  std::string text = "1.2.3.4";
  EXPECT_EQ(NormaliseDateSeparators(text), 2);
  EXPECT_EQ(text, "1/2/3.4");
  EXPECT_EQ(ReadDecimal("  -12x"), -12);
  EXPECT_EQ(ReadDecimal("99999999999999999999"), INT_MAX);
}

TEST_F(DateTextInFixedZone, TimeValueIsLocalNoonOfTheDay) {
  EXPECT_EQ(DateTextToTime("05/03/2008"), 1204707600);  // 2008-03-05 09:00 UTC
  EXPECT_EQ(DateTextToTime(""), 0);
  // A date that is not real carries over, as the platform's time arithmetic does.
  EXPECT_EQ(DateTextToTime("31/02/2003"), 1046682000);  // 2003-03-03 09:00 UTC
  EXPECT_EQ(DateTextToTime("1/2"), 0);
  // Past January 2038, where a 32-bit time value ends.
  EXPECT_EQ(DateTextToTime("01/06/2040"), 2222154000);
}

TEST_F(DateTextInFixedZone, MomentsBeyondThePlatformsTimeValuesSayWhichEndTheyLieAt) {
  // Later than any time value: nothing can be newer.
  EXPECT_EQ(DateTextToTime("1/1/99999999"), std::nullopt);
  EXPECT_EQ(LocalMoment(2003, 2, 1, 999'999'999, 0), std::nullopt);
  // Earlier: a value every file is newer than (0 where time values start at 1970).
  const std::optional<std::time_t> early = DateTextToTime("01/01/1900");
  ASSERT_TRUE(early.has_value());
  EXPECT_LE(*early, 0);
  EXPECT_EQ(LocalMoment(-2'000'000'000, 1, 1, 0, 0), 0);
}

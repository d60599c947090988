#include "platform/codepage.h"

#include <gtest/gtest.h>

using platform::Cp1252ToUtf8;
using platform::Utf8ToCp1252;

TEST(Codepage, PoundEuroAndAccentsBecomeTheirUtf8Sequences) {
  EXPECT_EQ(Cp1252ToUtf8("\xA3"
                         "5 \x80"
                         "3 caf\xE9"),
            "\xC2\xA3"
            "5 \xE2\x82\xAC"
            "3 caf\xC3\xA9");
  EXPECT_EQ(Utf8ToCp1252("\xC2\xA3"
                         "5 \xE2\x82\xAC"
                         "3 caf\xC3\xA9"),
            "\xA3"
            "5 \x80"
            "3 caf\xE9");
}

TEST(Codepage, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b)
    all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(Codepage, WhatTheCodePageCannotHoldBecomesAQuestionMark) {
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"
                         "a"),
            "?a");                                   // a CJK character
  EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80"), "?");  // an emoji
  EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");            // cut short
  EXPECT_EQ(Utf8ToCp1252("\xFF"
                         "b"),
            "?b");  // never valid
}

// The record of a kept partial, and the validator a transfer resumes by.
#include "catalogue/partial_download.h"

#include <gtest/gtest.h>

namespace {

TEST(PartialRecord, OnlyAWholeRecordOfOursIsRead) {
  const PartialRecord record{"http://example.com/Payroll%20Update.exe", "\"abc\"", 123456};
  const std::string text = PartialRecordText(record);
  EXPECT_EQ(text,
            "ostrel-update partial download 1\nurl http://example.com/Payroll%20Update.exe\n"
            "validator \"abc\"\nlength 123456\n");
  const auto read = ParsePartialRecord(text);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->url, record.url);
  EXPECT_EQ(read->validator, record.validator);
  EXPECT_EQ(read->length, record.length);

  for (const std::string& bad : {
           std::string("another program's notes\nurl x\nvalidator y\n"),
           text.substr(0, text.size() - 1),  // cut short
           text + "length 12x\n",
           std::string(
               "ostrel-update partial download 1\nurl x\nvalidator \"a\rRange: bytes=0-\"\n"),
           std::string("ostrel-update partial download 1\nurl x\n"),
       }) {
    EXPECT_FALSE(ParsePartialRecord(bad)) << bad;
  }
}

TEST(PartialRecord, AFileIsNamedByItsStrongETagElseByItsDate) {
  const std::string date = "Tue, 01 Dec 2026 10:00:00 GMT";
  const struct {
    const char* etag;
    std::string expected;
  } cases[] = {{"\"v1\"", "\"v1\""}, {"W/\"v1\"", date}, {"", date}};
  for (const auto& c : cases) {
    platform::HttpHead head;
    head.etag = c.etag;
    head.lastModified = date;
    EXPECT_EQ(ValidatorOf(head), c.expected) << c.etag;
  }
  EXPECT_EQ(ValidatorOf(platform::HttpHead{}), "");
}

}  // namespace

#include "catalogue/request_url.h"

#include <gtest/gtest.h>

namespace {

struct UrlCase {
  const char* reference;
  const char* requested;
};

class RequestUrlTest : public ::testing::TestWithParam<UrlCase> {};

}  // namespace

TEST_P(RequestUrlTest, IsTheReferenceMadeAValidUrl) {
  EXPECT_EQ(RequestUrl(GetParam().reference), GetParam().requested);
}

INSTANTIATE_TEST_SUITE_P(
    References, RequestUrlTest,
    ::testing::Values(
        UrlCase{"http://h/Payroll Update.exe", "http://h/Payroll%20Update.exe"},
        UrlCase{"http://h/a%20b/c%2fd.exe", "http://h/a%20b/c%2fd.exe"},
        UrlCase{"http://h/100%.txt", "http://h/100%25.txt"},
        UrlCase{"http://h/50%2.txt", "http://h/50%252.txt"},
        UrlCase{"http://h/a\"<>\\^`{|}.exe", "http://h/a%22%3C%3E%5C%5E%60%7B%7C%7D.exe"},
        UrlCase{"http://h/caf\xe9\x7f\t.txt", "http://h/caf%E9%7F%09.txt"},
        UrlCase{"http://h/d/x.exe?a=b c&d=[e]#f g", "http://h/d/x.exe?a=b%20c&d=[e]#f%20g"},
        UrlCase{"http://h/-._~:@!$&'()*+,;=", "http://h/-._~:@!$&'()*+,;="},
        UrlCase{"http://h/setup.exe  \r\n", "http://h/setup.exe"},
        UrlCase{"https://user:p w@my host:8080/a b", "https://user:p w@my host:8080/a%20b"},
        UrlCase{"HTTP://h", "HTTP://h"},
        UrlCase{"no scheme/a b", "no%20scheme/a%20b"}));

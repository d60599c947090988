#include "catalogue/request_url.h"

#include <gtest/gtest.h>

TEST(RequestUrl, MakesEveryReferenceAValidUrlLeavingWhatIsValidAlone) {
  const struct {
    const char* reference;
    const char* requested;
  } cases[] = {
      {"http://h/Payroll Update.exe", "http://h/Payroll%20Update.exe"},
      {"http://h/a%20b/c%2fd.exe", "http://h/a%20b/c%2fd.exe"},
      {"http://h/100%.txt", "http://h/100%25.txt"},
      {"http://h/50%2.txt", "http://h/50%252.txt"},
      {"http://h/a\"<>\\^`{|}.exe", "http://h/a%22%3C%3E%5C%5E%60%7B%7C%7D.exe"},
      {"http://h/caf\xe9\x7f\t.txt", "http://h/caf%E9%7F%09.txt"},
      {"http://h/d/x.exe?a=b c&d=[e]#f g", "http://h/d/x.exe?a=b%20c&d=[e]#f%20g"},
      {"http://h/-._~:@!$&'()*+,;=", "http://h/-._~:@!$&'()*+,;="},
      {"http://h/setup.exe  \r\n", "http://h/setup.exe"},
      {"https://user:p w@my host:8080/a b", "https://user:p w@my host:8080/a%20b"},
      {"HTTP://h", "HTTP://h"},
      {"no scheme/a b", "no%20scheme/a%20b"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RequestUrl(c.reference), c.requested) << c.reference;
}

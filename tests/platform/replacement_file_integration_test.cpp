#include "platform/replacement_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <regex>

#include "testkit/host.h"
#include "testkit/temp_prefix.h"

using platform::ReplacementFile;

TEST(ReplacementFile, EveryNameTheFileSystemTakesWorksAndItsTemporaryNameFits) {
  SKIP_ON_WINDOWS("NAME_MAX counted in UTF-8 bytes");
  TempPrefix prefix;
  std::string accented;  // 127 two-byte characters and one byte: 255 bytes
  for (int i = 0; i < 127; ++i)
    accented += "\xC3\xA9";
  accented += "x";
  const std::regex ours(R"(\..*\.[0-9a-f]{8}\.part)");
  for (const std::string& name :
       {std::string(240, 'a'), std::string(241, 'b'), std::string(kLongestFileName, 'c'), accented,
        std::string("a.exe")}) {
    ReplacementFile file(prefix.Root() / name);
    ASSERT_TRUE(file.Open()) << name.size() << " " << file.Error();
    const std::string temporary = file.TemporaryPath().filename().string();
    EXPECT_LE(temporary.size(), kLongestFileName);
    EXPECT_TRUE(std::regex_match(temporary, ours)) << temporary;
    // The middle is the name, cut short only where a character begins.
    const std::string middle = temporary.substr(1, temporary.size() - 15);
    EXPECT_EQ(name.compare(0, middle.size(), middle), 0);
    EXPECT_TRUE(middle.size() == name.size() ||
                (static_cast<unsigned char>(name[middle.size()]) & 0xC0) != 0x80);
    ASSERT_TRUE(file.Write("MZ", 2) && file.Commit()) << file.Error();
    EXPECT_EQ(ReadHostFile(prefix.Root() / name), "MZ");
  }
}

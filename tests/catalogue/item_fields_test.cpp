#include "catalogue/item_fields.h"

#include <gtest/gtest.h>

TEST(InstallerFileName, IsTheTextAfterTheLaterOfEitherSlash) {
  EXPECT_EQ(InstallerFileName("http://host/dir/setup.exe"), "setup.exe");
  EXPECT_EQ(InstallerFileName("file::y:\\upload\\setup.exe"), "setup.exe");
  EXPECT_EQ(InstallerFileName("http://host/a\\..\\evil.exe"), "evil.exe");
  EXPECT_EQ(InstallerFileName("file::y:\\upload\\dir/x.exe"), "x.exe");
  EXPECT_EQ(InstallerFileName("plain.exe"), "plain.exe");
}

TEST(InstallerFileName, NamesThatWouldLeaveTheFolderOrNameItAreRefused) {
  EXPECT_EQ(InstallerFileName("file::y:\\upload\\"), std::nullopt);
  EXPECT_EQ(InstallerFileName("http://host/dir/"), std::nullopt);
  EXPECT_EQ(InstallerFileName("http://host/.."), std::nullopt);
  EXPECT_EQ(InstallerFileName("a\\."), std::nullopt);
  EXPECT_EQ(InstallerFileName(""), std::nullopt);
}

TEST(SizeInKilobytes, ReadsTheLeadingNumberAndMegabytesAndSaturatesInsteadOfWrapping) {
  EXPECT_EQ(SizeInKilobytes("700"), 700);
  EXPECT_EQ(SizeInKilobytes("12.5MB"), 12 * 1024);
  EXPECT_EQ(SizeInKilobytes("12.5 mb"), 12 * 1024);
  EXPECT_EQ(SizeInKilobytes("1,5mB"), 1024);
  EXPECT_EQ(SizeInKilobytes("mb"), 0);
  EXPECT_EQ(SizeInKilobytes(""), 0);
  EXPECT_EQ(SizeInKilobytes("about 3 MB"), 0);
  EXPECT_EQ(SizeInKilobytes("3000000 MB"), INT32_MAX);
  EXPECT_EQ(SizeInKilobytes("99999999999"), INT32_MAX);
}

TEST(InstallerByteLimit, IsFourTimesTheDeclaredSizeAndSixteenMegabytesUpToFourGibibytes) {
  constexpr std::uint64_t kMB = 1024 * 1024;
  EXPECT_EQ(InstallerByteLimit("700"), 4 * 700 * 1024 + 16 * kMB);
  EXPECT_EQ(InstallerByteLimit("2.5 MB"), 4 * 2 * kMB + 16 * kMB);
  EXPECT_EQ(InstallerByteLimit(""), 4096 * kMB);
  EXPECT_EQ(InstallerByteLimit("-5"), 4096 * kMB);
  EXPECT_EQ(InstallerByteLimit("1100 MB"), 4096 * kMB);
}

TEST(InfoAndSimulation, NamesAndRewrites) {
  EXPECT_EQ(InfoName("accounts.txt"), "accounts");
  EXPECT_EQ(InfoName(".txt"), "");
  EXPECT_EQ(InfoName("a"), "");
  // The legacy server's base URL is 29 characters long.
  EXPECT_EQ(SimulationReference("http://www.ostrel.co.uk/down/acc/setup.exe"),
            "file::y:\\upload\\acc/setup.exe");
  EXPECT_EQ(SimulationReference("http://short/x.exe"), "file::y:\\upload\\");
}

TEST(PlaceInQueue, SpecialInstallersAreSkippedOrPutFirst) {
  EXPECT_EQ(PlaceInQueue("http://h/cisinst.exe"), QueuePlace::Skip);
  EXPECT_EQ(PlaceInQueue("http://h/drivers.exe"), QueuePlace::Skip);
  EXPECT_EQ(PlaceInQueue("http://h/vcredist_x86.exe"), QueuePlace::Skip);
  EXPECT_EQ(PlaceInQueue("http://h/vista.exe"), QueuePlace::Skip);
  EXPECT_EQ(PlaceInQueue("http://h/dll.exe"), QueuePlace::Head);
  EXPECT_EQ(PlaceInQueue("http://h/DLL.EXE"), QueuePlace::Tail);
  EXPECT_EQ(PlaceInQueue("http://h/accounts.exe"), QueuePlace::Tail);
}

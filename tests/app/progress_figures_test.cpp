#include "app/progress_figures.h"

#include <gtest/gtest.h>

TEST(ProgressFigures, KilobytesAndPercentOfTheExpectedSizeStopAtAHundred) {
  // Without a size the kilobyte label is empty and one kilobyte counts as done.
  const struct {
    int bytes, sizeKB;
    const char* kilobytes;
    int percent;
  } cases[] = {{1536, 0, "", 100},
               {1023, 0, "", 0},
               {1048576, 2048, "1024 KB", 50},
               {10 * 1024 * 1024, 700, "10240 KB", 100}};
  for (const auto& c : cases) {
    const auto figures = ComputeProgressFigures(c.bytes, c.sizeKB);
    EXPECT_EQ(figures.kilobytesText, c.kilobytes) << c.bytes;
    EXPECT_EQ(figures.percent, c.percent) << c.bytes;
    EXPECT_EQ(figures.percentText, std::to_string(c.percent) + " %") << c.bytes;
  }
}

TEST(ProgressFigures, ANegativeSizeOrCounterNeverShowsANegativePercentage) {
  EXPECT_EQ(ComputeProgressFigures(1048576, -5).percentText, "0 %");
  EXPECT_EQ(ComputeProgressFigures(-4096, 100).percent, 0);
  // The largest counter cannot overflow the arithmetic.
  EXPECT_EQ(ComputeProgressFigures(INT32_MAX, INT32_MAX).percent, 0);
  EXPECT_EQ(ComputeProgressFigures(INT32_MAX, 1).percent, 100);
}

TEST(ProgressFigures, TheDialogClosesOnlyWithAnEmptyQueueAndTheWorkDone) {
  EXPECT_TRUE(ShouldCloseProgress(true, 100, true));
  EXPECT_TRUE(ShouldCloseProgress(true, 40, false));
  EXPECT_FALSE(ShouldCloseProgress(true, 40, true));
  EXPECT_FALSE(ShouldCloseProgress(false, 100, false));
}

TEST(ProgressFigures, ThePercentTextHasNoBlankAndWrapsExceptAtAHundred) {
  EXPECT_EQ(PercentText(0, 0, 100), "0%");
  EXPECT_EQ(PercentText(57, 0, 100), "57%");
  EXPECT_EQ(PercentText(100, 0, 100), "100%");
  EXPECT_EQ(PercentText(150, 0, 100), "50%");
  EXPECT_EQ(PercentText(200, 0, 100), "0%");
  EXPECT_EQ(PercentText(5, 0, 10), "50%");
  EXPECT_EQ(PercentText(5, 3, 3), "0%");
}

#include "app/progress_figures.h"

#include <gtest/gtest.h>

TEST(ProgressFigures, WithoutASizeTheKilobyteLabelIsEmptyAndOneKilobyteIsAHundredPercent) {
  const auto figures = ComputeProgressFigures(1536, 0);
  EXPECT_EQ(figures.kilobytesText, "");
  EXPECT_EQ(figures.percentText, "100 %");
  EXPECT_EQ(figures.percent, 100);

  const auto nothingYet = ComputeProgressFigures(1023, 0);
  EXPECT_EQ(nothingYet.percentText, "0 %");
}

TEST(ProgressFigures, KilobytesAndPercentOfTheExpectedSize) {
  const auto figures = ComputeProgressFigures(1048576, 2048);
  EXPECT_EQ(figures.kilobytesText, "1024 KB");
  EXPECT_EQ(figures.percentText, "50 %");
  EXPECT_EQ(figures.percent, 50);
}

TEST(ProgressFigures, MoreBytesThanExpectedStopAtAHundredPercent) {
  const auto figures = ComputeProgressFigures(10 * 1024 * 1024, 700);
  EXPECT_EQ(figures.kilobytesText, "10240 KB");
  EXPECT_EQ(figures.percent, 100);
  EXPECT_EQ(figures.percentText, "100 %");
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

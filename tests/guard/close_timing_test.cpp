#include <gtest/gtest.h>

#include "guard/window_closing.h"

namespace {

using namespace std::chrono_literals;

TEST(CloseTiming, EachWindowCostsAtMostFiveSecondsOfWaitingAndTheTwoSecondPause) {
  EXPECT_EQ(kCloseTiming.waitBound, 5000ms);
  EXPECT_EQ(kCloseTiming.pause, 2000ms);
  EXPECT_EQ(LongestCloseCost(kCloseTiming, 1), 7s);
  EXPECT_EQ(LongestCloseCost(kCloseTiming, 3), 21s);
  EXPECT_EQ(LongestCloseCost(kCloseTiming, 0), 0s);
}

TEST(CloseTiming, TheTimingInForceIsTheRealOneUntilATestShortensIt) {
  EXPECT_EQ(CurrentCloseTiming().waitBound, kCloseTiming.waitBound);
  EXPECT_EQ(CurrentCloseTiming().pause, kCloseTiming.pause);
  SetCloseTimingForTests({100ms, 10ms});
  EXPECT_EQ(CurrentCloseTiming().waitBound, 100ms);
  SetCloseTimingForTests(kCloseTiming);
}

}  // namespace

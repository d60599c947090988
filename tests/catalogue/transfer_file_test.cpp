#include "catalogue/transfer_file.h"

#include <gtest/gtest.h>

#include <limits>

TEST(ByteCounter, AddsUpAndStopsAtTheLargestCountInsteadOfWrapping) {
  constexpr auto kMost = std::numeric_limits<std::int32_t>::max();
  std::atomic<std::int32_t> counter{0};
  AddToByteCounter(counter, 1023);
  AddToByteCounter(counter, 1);
  EXPECT_EQ(counter.load(), 1024);

  counter = kMost - 10;
  AddToByteCounter(counter, 10);
  EXPECT_EQ(counter.load(), kMost);
  AddToByteCounter(counter, 128 * 1024);
  EXPECT_EQ(counter.load(), kMost);

  // The largest chunk a size_t holds, on 32-bit Windows as on 64-bit Linux.
  counter = 5;
  AddToByteCounter(counter, std::numeric_limits<std::size_t>::max());
  EXPECT_EQ(counter.load(), kMost);
}

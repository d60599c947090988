// The leading number of a text as the platform's atoi reads it, but bounded:
// settings values and dates come from files anyone may have edited, and a
// number too long for 32 bits must not wrap round to a different one.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace platform {

// `text` starts at the number (callers skip their own kind of blanks): an
// optional sign, then digits up to the first other character. No digits give
// 0; values beyond the 32-bit range give its nearest end.
inline std::int32_t SaturatedDecimal(std::string_view text) {
  constexpr long long kMost = std::numeric_limits<std::int32_t>::max();
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    negative = text[i++] == '-';
  long long magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kMost + 1)
      magnitude = kMost + 1;
  }
  if (negative)
    return static_cast<std::int32_t>(-magnitude);
  return magnitude > kMost ? static_cast<std::int32_t>(kMost)
                           : static_cast<std::int32_t>(magnitude);
}

}  // namespace platform

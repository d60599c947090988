// The blanks of the catalogue's XML: the C locale's white space, which the
// reader skips between names and the values trim at their ends.
#pragma once

#include <array>

inline constexpr std::array<bool, 256> kXmlSpace = [] {
  std::array<bool, 256> space{};
  for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'})
    space[c] = true;
  return space;
}();

inline bool IsXmlSpace(char c) {
  return kXmlSpace[static_cast<unsigned char>(c)];
}

// Case rules of the suite's texts: only the ASCII letters have a case, as
// the platform's own comparisons of names and keys treat them.
#pragma once

#include <string>
#include <string_view>

namespace platform {

inline char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string AsciiLowerCased(std::string text) {
  for (char& c : text)
    c = AsciiLower(c);
  return text;
}

inline std::string AsciiUpperCased(std::string text) {
  for (char& c : text)
    c = AsciiUpper(c);
  return text;
}

inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i]))
      return false;
  }
  return true;
}

inline bool StartsIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace platform

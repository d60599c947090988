#include "catalogue/request_url.h"

#include <cctype>

namespace {

bool IsHexDigit(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool StaysAsWritten(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 0x80)
    return false;
  if (std::isalnum(byte) != 0)
    return true;
  constexpr std::string_view kAllowed = "-._~:/?#[]@!$&'()*+,;=";
  return kAllowed.find(c) != std::string_view::npos;
}

// The end of "scheme://authority", or 0 when the reference has no scheme.
std::size_t EndOfSite(std::string_view reference) {
  const std::size_t colon = reference.find("://");
  if (colon == std::string_view::npos || colon == 0 ||
      std::isalpha(static_cast<unsigned char>(reference[0])) == 0)
    return 0;
  for (std::size_t i = 1; i < colon; ++i) {
    const char c = reference[i];
    if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '+' && c != '-' && c != '.')
      return 0;
  }
  const std::size_t path = reference.find_first_of("/?#", colon + 3);
  return path == std::string_view::npos ? reference.size() : path;
}

}  // namespace

std::string RequestUrl(std::string_view reference) {
  while (!reference.empty() && static_cast<unsigned char>(reference.back()) <= ' ')
    reference.remove_suffix(1);
  const std::size_t site = EndOfSite(reference);
  std::string url(reference.substr(0, site));
  constexpr char kHex[] = "0123456789ABCDEF";
  for (std::size_t i = site; i < reference.size(); ++i) {
    const char c = reference[i];
    const bool encoded = c == '%' && i + 2 < reference.size() && IsHexDigit(reference[i + 1]) &&
                         IsHexDigit(reference[i + 2]);
    if (StaysAsWritten(c) || encoded) {
      url += c;
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    url += '%';
    url += kHex[byte >> 4];
    url += kHex[byte & 0xF];
  }
  return url;
}

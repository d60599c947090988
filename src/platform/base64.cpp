#include "platform/base64.h"

#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int ValueOf(char c) {
  if (c >= 'A' && c <= 'Z')
    return c - 'A';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 26;
  if (c >= '0' && c <= '9')
    return c - '0' + 52;
  if (c == '+')
    return 62;
  if (c == '/')
    return 63;
  return -1;
}

}  // namespace

namespace platform {

std::string Base64Encode(std::string_view bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t at = 0; at < bytes.size(); at += 3) {
    const std::size_t count = bytes.size() - at < 3 ? bytes.size() - at : 3;
    std::uint32_t group = 0;
    for (std::size_t i = 0; i < 3; ++i) {
      group <<= 8;
      if (i < count)
        group |= static_cast<unsigned char>(bytes[at + i]);
    }
    for (std::size_t i = 0; i < 4; ++i)
      text += i <= count ? kAlphabet[(group >> (18 - 6 * i)) & 0x3f] : '=';
  }
  return text;
}

std::optional<std::string> Base64Decode(std::string_view text) {
  if (text.size() % 4 != 0)
    return std::nullopt;
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (std::size_t at = 0; at < text.size(); at += 4) {
    const bool last = at + 4 == text.size();
    std::size_t padding = 0;
    std::uint32_t group = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      const char c = text[at + i];
      int value = 0;
      if (c == '=' && last && i >= 2) {
        ++padding;
      } else if (padding > 0 || (value = ValueOf(c)) < 0) {
        return std::nullopt;
      }
      group = (group << 6) | static_cast<std::uint32_t>(value);
    }
    if (padding == 1 && (group & 0xff) != 0)
      return std::nullopt;
    if (padding == 2 && (group & 0xffff) != 0)
      return std::nullopt;
    for (std::size_t i = 0; i < 3 - padding; ++i)
      bytes += static_cast<char>((group >> (16 - 8 * i)) & 0xff);
  }
  return bytes;
}

}  // namespace platform

#include "platform/profile_encoding.h"

#include <cstdint>

#include "platform/codepage.h"

namespace platform {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

bool IsHighSurrogate(std::uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(std::uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUnit(std::string& out, std::uint32_t unit, bool bigEndian) {
  const char high = static_cast<char>(unit >> 8);
  const char low = static_cast<char>(unit & 0xFF);
  out += bigEndian ? high : low;
  out += bigEndian ? low : high;
}

// UTF-16 to UTF-8, pairing surrogates that pair and keeping the others as
// they are, so that Utf8ToUtf16 gives back the very same units.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  auto unitAt = [&](std::size_t i) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (std::uint32_t{first} << 8 | second) : (std::uint32_t{second} << 8 | first);
  };
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const std::uint32_t unit = unitAt(i);
    if (IsHighSurrogate(unit) && i + 3 < bytes.size() && IsLowSurrogate(unitAt(i + 2))) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00));
      i += 2;
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::string Utf8ToUtf16(std::string_view text, bool bigEndian) {
  std::string out;
  out.reserve(text.size() * 2);
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    std::uint32_t cp = extra == 3 ? lead & 0x07u : extra == 2 ? lead & 0x0Fu : lead & 0x1Fu;
    if (extra == 0 || i + static_cast<std::size_t>(extra) >= text.size()) {
      // ASCII, or (never made by this file) a broken sequence: the byte as it is.
      AppendUnit(out, lead, bigEndian);
      ++i;
      continue;
    }
    for (int k = 1; k <= extra; ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3Fu);
    if (cp >= 0x10000) {
      AppendUnit(out, 0xD800 + ((cp - 0x10000) >> 10), bigEndian);
      AppendUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF), bigEndian);
    } else {
      AppendUnit(out, cp, bigEndian);
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

}  // namespace

ProfileEncoding EncodingOf(std::string_view fileBytes) {
  if (fileBytes.starts_with(kUtf8Mark))
    return ProfileEncoding::kUtf8;
  if (fileBytes.starts_with(kUtf16LeMark))
    return ProfileEncoding::kUtf16Le;
  if (fileBytes.starts_with(kUtf16BeMark))
    return ProfileEncoding::kUtf16Be;
  return ProfileEncoding::kAnsi;
}

ProfileText DecodeProfile(std::string_view fileBytes) {
  ProfileText text;
  text.encoding = EncodingOf(fileBytes);
  if (text.encoding == ProfileEncoding::kUtf8) {
    text.lines = fileBytes.substr(kUtf8Mark.size());
  } else if (text.encoding != ProfileEncoding::kAnsi) {
    const bool bigEndian = text.encoding == ProfileEncoding::kUtf16Be;
    const std::string_view units = fileBytes.substr(2, (fileBytes.size() - 2) & ~std::size_t{1});
    text.lines = Utf16ToUtf8(units, bigEndian);
    text.tail = fileBytes.substr(2 + units.size());
  } else {
    text.lines = fileBytes;
  }
  return text;
}

std::string EncodeProfile(const ProfileText& text) {
  switch (text.encoding) {
    case ProfileEncoding::kAnsi:
      return text.lines;
    case ProfileEncoding::kUtf8:
      return std::string(kUtf8Mark) + text.lines;
    case ProfileEncoding::kUtf16Le:
      return std::string(kUtf16LeMark) + Utf8ToUtf16(text.lines, false) + text.tail;
    case ProfileEncoding::kUtf16Be:
      return std::string(kUtf16BeMark) + Utf8ToUtf16(text.lines, true) + text.tail;
  }
  return text.lines;
}

std::string ToProfileLines(ProfileEncoding encoding, std::string_view text) {
  return encoding == ProfileEncoding::kAnsi ? std::string(text) : Cp1252ToUtf8(text);
}

std::string FromProfileLines(ProfileEncoding encoding, std::string_view lines) {
  return encoding == ProfileEncoding::kAnsi ? std::string(lines) : Utf8ToCp1252(lines);
}

}  // namespace platform

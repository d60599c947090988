// The reader's searches for the bytes that matter in a run of text, sixteen
// bytes at a time where the processor has SSE2 (every x86-64), eight at a
// time in a machine word elsewhere. Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace byte_scan {

inline bool NeedsDecoding(char c) {
  return c == '&' || static_cast<unsigned char>(c) >= 0xC0;
}

inline bool IsTagMark(char c) {
  return c == '"' || c == '<' || c == '>';
}

// The position of the first '&' or byte from 0xC0 up (what entity decoding
// changes); npos when there is none.
inline std::size_t FirstToDecode(std::string_view text) {
  std::size_t at = 0;
#if defined(__SSE2__)
  const __m128i ampersand = _mm_set1_epi8('&');
  // Signed, the bytes from 0xC0 up are -64 to -1: above -65 and below 0.
  const __m128i belowHigh = _mm_set1_epi8(-65);
  const __m128i zero = _mm_setzero_si128();
  for (; at + 16 <= text.size(); at += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    const __m128i high =
        _mm_and_si128(_mm_cmpgt_epi8(bytes, belowHigh), _mm_cmplt_epi8(bytes, zero));
    const int found = _mm_movemask_epi8(_mm_or_si128(high, _mm_cmpeq_epi8(bytes, ampersand)));
    if (found != 0)
      return at + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found)));
  }
#else
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kHighBits = 0x8080808080808080;
  constexpr std::uint64_t kAmpersands = 0x2626262626262626;
  for (; at + 8 <= text.size(); at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + at, 8);
    // A byte from 0xC0 up has its two highest bits set; an '&' leaves a
    // zero byte when the word is xored with ampersands.
    const std::uint64_t high = word & (word << 1) & kHighBits;
    const std::uint64_t other = word ^ kAmpersands;
    if (((high | ((other - kOnes) & ~other)) & kHighBits) != 0)
      break;
  }
#endif
  for (; at < text.size(); ++at) {
    if (NeedsDecoding(text[at]))
      return at;
  }
  return std::string_view::npos;
}

// The position of the first '"', '<' or '>' (what decides where a tag's text
// ends); npos when there is none.
inline std::size_t FirstTagMark(std::string_view text) {
  std::size_t at = 0;
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i open = _mm_set1_epi8('<');
  const __m128i close = _mm_set1_epi8('>');
  for (; at + 16 <= text.size(); at += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    const __m128i marks =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, open)),
                     _mm_cmpeq_epi8(bytes, close));
    const int found = _mm_movemask_epi8(marks);
    if (found != 0)
      return at + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found)));
  }
#endif
  for (; at < text.size(); ++at) {
    if (IsTagMark(text[at]))
      return at;
  }
  return std::string_view::npos;
}

}  // namespace byte_scan

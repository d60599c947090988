// Bytes read where they lie (a ScannableBuffer, as the text files' stream
// is), but a few at a time: every text and tag of a document then runs
// across windows, which a file's 64 KiB windows almost never make happen.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "xml/xml_input.h"

class TrickleBuffer : public ScannableBuffer {
 public:
  explicit TrickleBuffer(std::string_view bytes) : m_unread(bytes) {}

 protected:
  int_type underflow() override {
    if (gptr() < egptr())
      return traits_type::to_int_type(*gptr());
    if (m_unread.empty())
      return traits_type::eof();
    // The first window holds a byte-order mark's three bytes, as a file's does.
    static constexpr std::array<std::size_t, 8> kSizes{3, 1, 4, 1, 5, 9, 2, 6};
    const std::size_t size = std::min(m_unread.size(), kSizes[m_windows++ % kSizes.size()]);
    char* const window = const_cast<char*>(m_unread.data());
    setg(window, window, window + size);
    m_unread.remove_prefix(size);
    return traits_type::to_int_type(*gptr());
  }

 private:
  std::string_view m_unread;
  std::size_t m_windows = 0;
};

// CompactText: a name or value text of the element tree, in one word.
//
// A hostile catalogue can make a node of every two bytes it sends, so every
// byte of a node counts. Most names ("Update", "href", "#text") and most
// blank values are short: up to seven bytes live in the word itself; longer
// texts take one exact-size block. The empty text is the all-zero word.
//
// It reads like a const std::string (size, find, starts_with, comparisons,
// conversion to std::string_view and std::string) and is assigned whole;
// there is no editing in place. Any bytes, NUL included.
//
// A value type; the usual rules for sharing one object between threads.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

static_assert(std::endian::native == std::endian::little,
              "the inline form keeps its tag in the pointer's lowest byte");

class CompactText {
 public:
  static constexpr std::size_t npos = std::string_view::npos;

  CompactText() noexcept = default;
  CompactText(std::string_view text) { Assign(text); }  // NOLINT: reads as a string
  CompactText(const char* text) : CompactText(std::string_view(text)) {}
  CompactText(const std::string& text) : CompactText(std::string_view(text)) {}
  CompactText(const CompactText& other) : CompactText(other.view()) {}
  CompactText(CompactText&& other) noexcept : m_word(std::exchange(other.m_word, 0)) {}
  ~CompactText() {
    if (!empty() && !IsInline())
      ReleaseBlock();
  }

  CompactText& operator=(const CompactText& other) {
    if (this != &other)
      Assign(other.view());
    return *this;
  }
  CompactText& operator=(CompactText&& other) noexcept {
    std::swap(m_word, other.m_word);
    return *this;
  }
  CompactText& operator=(std::string_view text) {
    Assign(text);
    return *this;
  }
  CompactText& operator=(const char* text) { return *this = std::string_view(text); }
  CompactText& operator=(const std::string& text) { return *this = std::string_view(text); }

  std::string_view view() const noexcept {
    if (IsInline())
      return {InlineChars(), static_cast<std::size_t>(m_word & 0xFF) >> 1};
    if (m_word == 0)
      return {};
    const char* block = Block();
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    return {block + sizeof size, size};
  }
  operator std::string_view() const noexcept { return view(); }  // NOLINT
  operator std::string() const { return std::string(view()); }   // NOLINT
  std::string str() const { return std::string(view()); }

  const char* data() const noexcept { return view().data(); }
  std::size_t size() const noexcept { return view().size(); }
  std::size_t length() const noexcept { return size(); }
  bool empty() const noexcept { return m_word == 0; }
  char operator[](std::size_t at) const noexcept { return view()[at]; }
  auto begin() const noexcept { return view().begin(); }
  auto end() const noexcept { return view().end(); }

  bool starts_with(std::string_view prefix) const noexcept { return view().starts_with(prefix); }
  bool starts_with(char c) const noexcept { return view().starts_with(c); }
  bool ends_with(std::string_view suffix) const noexcept { return view().ends_with(suffix); }
  bool ends_with(char c) const noexcept { return view().ends_with(c); }
  std::size_t find(std::string_view text, std::size_t from = 0) const noexcept {
    return view().find(text, from);
  }
  std::size_t find(char c, std::size_t from = 0) const noexcept { return view().find(c, from); }
  void clear() noexcept {
    Release();
    m_word = 0;
  }

  friend bool operator==(const CompactText& a, const CompactText& b) noexcept {
    // Equal texts of up to seven bytes have equal words, and a longer text
    // is never inline: a word that differs and is inline decides at once.
    if (a.m_word == b.m_word)
      return true;
    if (a.IsInline() || b.IsInline())
      return false;
    return a.view() == b.view();
  }
  template <class T>
  requires(std::is_convertible_v<const T&, std::string_view> &&
           !std::is_same_v<T, CompactText>) friend bool
  operator==(const CompactText& a, const T& b) noexcept {
    return a.view() == std::string_view(b);
  }
  friend auto operator<=>(const CompactText& a, const CompactText& b) noexcept {
    return a.view() <=> b.view();
  }

  template <class T>
  requires std::is_convertible_v<const T&, std::string_view>
  friend std::string operator+(const CompactText& a, const T& b) {
    std::string joined(a.view());
    joined += std::string_view(b);
    return joined;
  }
  template <class T>
  requires(std::is_convertible_v<const T&, std::string_view> &&
           !std::is_same_v<T, CompactText>) friend std::string
  operator+(const T& a, const CompactText& b) {
    std::string joined(a);
    joined += b.view();
    return joined;
  }

  friend std::ostream& operator<<(std::ostream& out, const CompactText& text);

 private:
  static constexpr std::size_t kInlineCapacity = sizeof(std::uintptr_t) - 1;

  // Inline: the lowest byte is (size << 1) | 1 and the characters follow it.
  // A block pointer is even, so its lowest bit tells the two forms apart.
  bool IsInline() const noexcept { return (m_word & 1) != 0; }
  const char* InlineChars() const noexcept { return reinterpret_cast<const char*>(&m_word) + 1; }
  // The block: the size as a std::size_t, the characters, a NUL.
  const char* Block() const noexcept { return reinterpret_cast<const char*>(m_word); }
  void Assign(std::string_view text);
  void Release() noexcept {
    if (!empty() && !IsInline())
      ReleaseBlock();
  }
  void ReleaseBlock() noexcept;

  std::uintptr_t m_word = 0;
};

#include "xml/compact_text.h"

#include <new>
#include <ostream>

void CompactText::Assign(std::string_view text) {
  // Made whole before the old text goes: text may be a view of it.
  std::uintptr_t word = 0;
  if (text.size() <= kInlineCapacity) {
    if (!text.empty()) {
      word = (text.size() << 1) | 1;
      std::memcpy(reinterpret_cast<char*>(&word) + 1, text.data(), text.size());
    }
  } else {
    const std::size_t size = text.size();
    auto* block = static_cast<char*>(::operator new(sizeof size + size + 1));
    std::memcpy(block, &size, sizeof size);
    std::memcpy(block + sizeof size, text.data(), size);
    block[sizeof size + size] = '\0';
    word = reinterpret_cast<std::uintptr_t>(block);
  }
  Release();
  m_word = word;
}

void CompactText::Release() noexcept {
  if (m_word != 0 && !IsInline())
    ::operator delete(reinterpret_cast<char*>(m_word));
}

std::ostream& operator<<(std::ostream& out, const CompactText& text) {
  return out << text.view();
}

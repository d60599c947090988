// ChildNameIndex: an element's index of its children's names.
//
// For each name that at least one child bears: the highest ordinal handed out
// for it, and how many children bear it (so that removing a child needs no
// scan of its siblings). Most elements have a handful of distinct child
// names, which a short list answers without allocating per name; past that,
// a hash table takes over, so that a parent of a million differently named
// children costs no more than linear time.
//
// Part of CXMLVar; same threading rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

struct ChildNameSlot {
  std::int32_t highestOrdinal = 0;
  std::int32_t children = 0;
};

class ChildNameIndex {
 public:
  // nullptr when no child bears the name.
  ChildNameSlot* Find(std::string_view name);
  const ChildNameSlot* Find(std::string_view name) const {
    return const_cast<ChildNameIndex*>(this)->Find(name);
  }
  // The slot of name, made (zeroed) when there was none; isNew tells which.
  ChildNameSlot& Insert(std::string_view name, bool& isNew);
  void Erase(std::string_view name);
  void Clear();

 private:
  static constexpr std::size_t kShortListLimit = 8;

  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };
  using Table = std::unordered_map<std::string, ChildNameSlot, Hash, std::equal_to<>>;

  std::vector<std::pair<std::string, ChildNameSlot>> m_shortList;
  std::unique_ptr<Table> m_table;
};

// ChildNameIndex: an element's index of its children's names.
//
// For each name that at least one child bears: the highest ordinal handed out
// for it, and how many children bear it (so that removing a child needs no
// scan of its siblings). A hash table, so that a parent of a million
// differently named children costs no more than linear time. An element
// makes one only when it has many children or loses one (see CXMLVar): a
// tree a million levels deep would otherwise pay for a million indexes of
// one name each.
//
// Part of CXMLVar; same threading rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

struct ChildNameSlot {
  std::int32_t highestOrdinal = 0;
  std::int32_t children = 0;
};

class ChildNameIndex {
 public:
  // nullptr when no child bears the name.
  ChildNameSlot* Find(std::string_view name);
  // The slot of name, made (zeroed) when there was none; isNew tells which.
  ChildNameSlot& Insert(std::string_view name, bool& isNew);
  void Erase(std::string_view name);

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };
  std::unordered_map<std::string, ChildNameSlot, Hash, std::equal_to<>> m_table;
};

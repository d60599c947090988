// AttributeMap: an element's attributes, name to value.
//
// Names are unique and compared exactly; iteration is in name order. It reads
// like a std::map (find, insert_or_assign, iteration over name and value
// pairs whose value may be assigned in place), but it is one pointer in the
// element, null for an element without attributes (most of a catalogue's,
// and every node of a hostile one). The pairs lie sorted in one array.
//
// The block that pointer leads to also carries the element's other parts
// that most elements never have (its instruction nodes, its index of child
// names), so that an element pays one pointer for all of them; only CXMLVar
// reaches those.
//
// Part of CXMLVar; same threading rules.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "xml/child_index.h"
#include "xml/compact_text.h"

class CXMLVar;

class AttributeMap {
 public:
  // A name must not be changed through an iterator: the pairs are kept in
  // name order.
  using value_type = std::pair<CompactText, CompactText>;
  using iterator = value_type*;
  using const_iterator = const value_type*;

  AttributeMap() = default;
  AttributeMap(std::initializer_list<value_type> pairs) {
    for (const auto& pair : pairs)
      insert_or_assign(pair.first, pair.second);
  }
  AttributeMap(const AttributeMap&) = delete;
  AttributeMap& operator=(const AttributeMap&) = delete;

  iterator begin() { return m_pParts ? m_pParts->attributes.data() : nullptr; }
  iterator end() { return begin() + size(); }
  const_iterator begin() const { return m_pParts ? m_pParts->attributes.data() : nullptr; }
  const_iterator end() const { return begin() + size(); }
  std::size_t size() const { return m_pParts ? m_pParts->attributes.size() : 0; }
  bool empty() const { return size() == 0; }
  void clear();

  iterator find(std::string_view name);
  const_iterator find(std::string_view name) const;
  void insert_or_assign(CompactText name, CompactText value);
  // As insert_or_assign for each pair in turn (a later pair of a name wins),
  // in n log n for n pairs rather than n squared.
  void insert_or_assign_all(std::vector<value_type> pairs);
  // The same for a few pairs, moved from.
  void insert_or_assign_all(std::span<value_type> pairs);
  // Takes other's attributes in place of this map's; other keeps its other parts.
  void TakeAttributes(AttributeMap& other);

  friend bool operator==(const AttributeMap& a, const AttributeMap& b);

 private:
  friend class CXMLVar;

  struct Parts {
    std::vector<value_type> attributes;
    // Newest first, chained through the nodes' sibling links; owned.
    CXMLVar* firstInstruction = nullptr;
    std::unique_ptr<ChildNameIndex> childIndex;
  };

  Parts& MakeParts() {
    if (!m_pParts)
      m_pParts = std::make_unique<Parts>();
    return *m_pParts;
  }
  // The index of name's pair, or of where it would go.
  std::size_t LowerBound(std::string_view name) const;

  std::unique_ptr<Parts> m_pParts;
};

// AttributeMap: an element's attributes, name to value.
//
// Names are unique and compared exactly; iteration is in name order. It reads
// like a std::map, but an element without attributes (most of a catalogue's,
// and every node of a hostile one) pays one pointer for it instead of an
// empty map: the map is made with the first attribute.
//
// Part of CXMLVar; same threading rules.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>

class AttributeMap {
 public:
  using Map = std::map<std::string, std::string, std::less<>>;
  using value_type = Map::value_type;
  using iterator = Map::iterator;
  using const_iterator = Map::const_iterator;

  AttributeMap() = default;
  AttributeMap(std::initializer_list<value_type> pairs) {
    for (const auto& pair : pairs)
      insert_or_assign(pair.first, pair.second);
  }
  AttributeMap(AttributeMap&&) noexcept = default;
  AttributeMap& operator=(AttributeMap&&) noexcept = default;

  iterator begin() { return Items().begin(); }
  iterator end() { return Items().end(); }
  const_iterator begin() const { return Items().begin(); }
  const_iterator end() const { return Items().end(); }
  std::size_t size() const { return m_map ? m_map->size() : 0; }
  bool empty() const { return size() == 0; }
  void clear() { m_map.reset(); }

  iterator find(std::string_view name) { return m_map ? m_map->find(name) : end(); }
  const_iterator find(std::string_view name) const { return m_map ? m_map->find(name) : end(); }
  void insert_or_assign(std::string name, std::string value) {
    if (!m_map)
      m_map = std::make_unique<Map>();
    m_map->insert_or_assign(std::move(name), std::move(value));
  }

  friend bool operator==(const AttributeMap& a, const AttributeMap& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
  }

 private:
  // Without a map of its own, an element iterates one shared empty map, which
  // nothing ever inserts into.
  Map& Items() { return m_map ? *m_map : NoItems(); }
  const Map& Items() const { return m_map ? *m_map : NoItems(); }
  static Map& NoItems() {
    static Map none;
    return none;
  }

  std::unique_ptr<Map> m_map;
};

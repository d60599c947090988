#include "xml/attribute_map.h"

#include <algorithm>
#include <iterator>

std::size_t AttributeMap::LowerBound(std::string_view name) const {
  auto at = std::lower_bound(begin(), end(), name, [](const value_type& pair, std::string_view n) {
    return pair.first.view() < n;
  });
  return static_cast<std::size_t>(at - begin());
}

void AttributeMap::clear() {
  if (m_pParts)
    std::vector<value_type>().swap(m_pParts->attributes);
}

AttributeMap::iterator AttributeMap::find(std::string_view name) {
  const std::size_t at = LowerBound(name);
  return at < size() && begin()[at].first == name ? begin() + at : end();
}

AttributeMap::const_iterator AttributeMap::find(std::string_view name) const {
  const std::size_t at = LowerBound(name);
  return at < size() && begin()[at].first == name ? begin() + at : end();
}

void AttributeMap::insert_or_assign(CompactText name, CompactText value) {
  const std::size_t at = LowerBound(name);
  if (at < size() && begin()[at].first == name) {
    begin()[at].second = std::move(value);
    return;
  }
  auto& attributes = MakeParts().attributes;
  attributes.emplace(attributes.begin() + static_cast<std::ptrdiff_t>(at), std::move(name),
                     std::move(value));
}

void AttributeMap::insert_or_assign_all(std::vector<value_type> pairs) {
  if (pairs.empty())
    return;
  if (pairs.size() <= 8) {
    insert_or_assign_all(std::span(pairs));
    return;
  }
  auto& existing = MakeParts().attributes;
  // Sorted by name with the latest of each name first, then one of each.
  std::vector<std::size_t> order(pairs.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const auto byName = pairs[a].first.view() <=> pairs[b].first.view();
    return byName != 0 ? byName < 0 : a > b;
  });
  std::vector<value_type> merged;
  merged.reserve(existing.size() + pairs.size());
  auto old = existing.begin();
  for (std::size_t k = 0; k < order.size(); ++k) {
    value_type& pair = pairs[order[k]];
    // The latest of its name has gone in already (and been moved from).
    if (k > 0 && merged.back().first == pair.first)
      continue;
    while (old != existing.end() && old->first.view() < pair.first.view())
      merged.push_back(std::move(*old++));
    if (old != existing.end() && old->first == pair.first)
      ++old;
    merged.push_back(std::move(pair));
  }
  std::move(old, existing.end(), std::back_inserter(merged));
  merged.shrink_to_fit();
  existing = std::move(merged);
}

void AttributeMap::insert_or_assign_all(std::span<value_type> pairs) {
  if (pairs.empty())
    return;
  auto& existing = MakeParts().attributes;
  const auto ascending = [](const value_type& a, const value_type& b) {
    return a.first.view() < b.first.view();
  };
  // Names written in order into an empty map (most tags'): nothing to place.
  if (existing.empty() && std::is_sorted(pairs.begin(), pairs.end(), ascending) &&
      std::adjacent_find(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) {
        return a.first == b.first;
      }) == pairs.end()) {
    existing.assign(std::make_move_iterator(pairs.begin()), std::make_move_iterator(pairs.end()));
    return;
  }
  existing.reserve(existing.size() + pairs.size());
  for (auto& [name, value] : pairs)
    insert_or_assign(std::move(name), std::move(value));
}

void AttributeMap::TakeAttributes(AttributeMap& other) {
  if (!other.m_pParts) {
    clear();
    return;
  }
  MakeParts().attributes = std::move(other.m_pParts->attributes);
  other.m_pParts->attributes.clear();
}

bool operator==(const AttributeMap& a, const AttributeMap& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

#include "xml/child_index.h"

#include <algorithm>

ChildNameSlot* ChildNameIndex::Find(std::string_view name) {
  if (m_table) {
    auto found = m_table->find(name);
    return found == m_table->end() ? nullptr : &found->second;
  }
  for (auto& [slotName, slot] : m_shortList) {
    if (slotName == name)
      return &slot;
  }
  return nullptr;
}

ChildNameSlot& ChildNameIndex::Insert(std::string_view name, bool& isNew) {
  if (ChildNameSlot* found = Find(name)) {
    isNew = false;
    return *found;
  }
  isNew = true;
  if (!m_table && m_shortList.size() < kShortListLimit) {
    if (m_shortList.empty())
      m_shortList.reserve(kShortListLimit);
    return m_shortList.emplace_back(std::string(name), ChildNameSlot{}).second;
  }
  if (!m_table) {
    m_table = std::make_unique<Table>();
    for (auto& [slotName, slot] : m_shortList)
      m_table->emplace(std::move(slotName), slot);
    m_shortList.clear();
    m_shortList.shrink_to_fit();
  }
  return m_table->emplace(std::string(name), ChildNameSlot{}).first->second;
}

void ChildNameIndex::Erase(std::string_view name) {
  if (m_table) {
    auto found = m_table->find(name);
    if (found != m_table->end())
      m_table->erase(found);
    return;
  }
  auto found = std::find_if(m_shortList.begin(), m_shortList.end(),
                            [&](const auto& entry) { return entry.first == name; });
  if (found != m_shortList.end())
    m_shortList.erase(found);
}

void ChildNameIndex::Clear() {
  m_shortList.clear();
  m_table.reset();
}

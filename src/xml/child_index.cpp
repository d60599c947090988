#include "xml/child_index.h"

ChildNameSlot* ChildNameIndex::Find(std::string_view name) {
  auto found = m_table.find(name);
  return found == m_table.end() ? nullptr : &found->second;
}

ChildNameSlot& ChildNameIndex::Insert(std::string_view name, bool& isNew) {
  auto found = m_table.find(name);
  isNew = found == m_table.end();
  if (!isNew)
    return found->second;
  return m_table.emplace(std::string(name), ChildNameSlot{}).first->second;
}

void ChildNameIndex::Erase(std::string_view name) {
  auto found = m_table.find(name);
  if (found != m_table.end())
    m_table.erase(found);
}

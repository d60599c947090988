#include "xml/xml_var.h"

#include <unordered_set>
#include <utility>
#include <vector>

namespace {

bool IsXmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

CXMLVar::CXMLVar(std::string name, std::string value)
    : m_strName(std::move(name)), m_strValue(std::move(value)) {}

CXMLVar::~CXMLVar() {
  // Dismantle the subtree from a work list rather than letting each child's
  // destructor destroy its own children: a deep tree must not exhaust the
  // call stack. Every node taken from the list has lost its children to the
  // list before it is destroyed.
  std::vector<std::unique_ptr<CXMLVar>> pending;
  auto adopt = [&pending](ChildList& list) {
    for (auto& node : list)
      pending.push_back(std::move(node));
    list.clear();
  };
  adopt(m_Children);
  adopt(m_Instructions);
  while (!pending.empty()) {
    std::unique_ptr<CXMLVar> node = std::move(pending.back());
    pending.pop_back();
    adopt(node->m_Children);
    adopt(node->m_Instructions);
  }
}

CXMLVar* CXMLVar::FindChild(std::string_view name) const {
  if (m_ChildIndex.find(name) == m_ChildIndex.end())
    return nullptr;
  for (const auto& child : m_Children) {
    if (child->m_strName == name)
      return child.get();
  }
  return nullptr;
}

CXMLVar* CXMLVar::GetChild(std::string_view name) {
  if (CXMLVar* found = FindChild(name))
    return found;
  return AddChild(std::make_unique<CXMLVar>(std::string(name)));
}

std::string& CXMLVar::ChildValue(std::string_view name) {
  return GetChild(name)->m_strValue;
}

std::string CXMLVar::GetAttribute(std::string_view name) const {
  auto found = m_Attributes.find(name);
  return found == m_Attributes.end() ? std::string() : found->second;
}

void CXMLVar::SetAttribute(std::string name, std::string value) {
  m_Attributes.insert_or_assign(std::move(name), std::move(value));
}

CXMLVar* CXMLVar::AddChild(std::unique_ptr<CXMLVar> child) {
  if (!child)
    return nullptr;
  auto [slot, isNew] = m_ChildIndex.try_emplace(child->m_strName);
  if (!isNew)
    child->m_nOrdinal = slot->second.highestOrdinal + 1;
  slot->second.highestOrdinal = child->m_nOrdinal;
  ++slot->second.children;
  return AppendLoadedChild(std::move(child));
}

CXMLVar* CXMLVar::AppendLoadedChild(std::unique_ptr<CXMLVar> child) {
  CXMLVar* added = child.get();
  added->m_pParent = this;
  added->m_position = m_Children.insert(m_Children.end(), std::move(child));
  return added;
}

void CXMLVar::RebuildChildIndex() {
  m_ChildIndex.clear();
  for (const auto& child : m_Children) {
    NameSlot& slot = m_ChildIndex[child->m_strName];
    slot.highestOrdinal = child->m_nOrdinal;
    ++slot.children;
  }
}

bool CXMLVar::AddText(std::string text) {
  std::size_t end = text.size();
  while (end > 0 && IsXmlSpace(text[end - 1]))
    --end;
  if (end == 0)
    return false;
  text.resize(end);
  AddChild(std::make_unique<CXMLVar>("#text", std::move(text)));
  return true;
}

std::unique_ptr<CXMLVar> CXMLVar::RemoveChild(CXMLVar* child) {
  if (child == nullptr || child->m_pParent != this)
    return nullptr;
  // The last child of a name takes the name out of the index; otherwise the
  // highest ordinal stays, so ordinals are never handed out twice.
  auto slot = m_ChildIndex.find(child->m_strName);
  if (slot != m_ChildIndex.end() && --slot->second.children <= 0)
    m_ChildIndex.erase(slot);
  std::unique_ptr<CXMLVar> owned = std::move(*child->m_position);
  m_Children.erase(child->m_position);
  owned->m_pParent = nullptr;
  owned->m_position = {};
  return owned;
}

void CXMLVar::DeleteChild(CXMLVar* child) {
  RemoveChild(child);
}

void CXMLVar::DeleteNodes(std::span<CXMLVar* const> nodes) {
  // Decide everything before destroying anything, so that no pointer in the
  // list is looked at after its element is gone. Each chosen element marks its
  // whole subtree; marking stops at a subtree already marked, so the cost is
  // bounded by the size of what is deleted, whatever the order of the list.
  std::unordered_set<const CXMLVar*> doomed;
  std::vector<CXMLVar*> chosen;
  std::vector<const CXMLVar*> marking;
  for (CXMLVar* node : nodes) {
    if (node == nullptr || node->m_pParent == nullptr || doomed.count(node) != 0)
      continue;
    chosen.push_back(node);
    marking.push_back(node);
    while (!marking.empty()) {
      const CXMLVar* next = marking.back();
      marking.pop_back();
      if (!doomed.insert(next).second)
        continue;
      for (const auto& child : next->m_Children)
        marking.push_back(child.get());
    }
  }
  // An element chosen here lies inside no element chosen before it, so it and
  // its parent are still alive when its turn comes.
  for (CXMLVar* node : chosen)
    node->m_pParent->DeleteChild(node);
}

CXMLVar* CXMLVar::AddInstruction(std::string name) {
  for (auto it = m_Instructions.begin(); it != m_Instructions.end(); ++it) {
    if ((*it)->m_strName == name) {
      m_Instructions.erase(it);
      break;
    }
  }
  m_Instructions.push_front(std::make_unique<CXMLVar>(std::move(name)));
  return m_Instructions.front().get();
}

void CXMLVar::SetStylesheet(std::string href) {
  CXMLVar* instruction = AddInstruction("?xml-stylesheet");
  instruction->SetAttribute("type", "text/xsl");
  instruction->SetAttribute("href", std::move(href));
}

void CXMLVar::Traverse(TraverseVisitor visitor, void* context, bool postOrder) {
  // One frame per open element: the element and the child to visit next.
  // The next child is taken (and the frame moved past it) before the child's
  // own subtree is walked, as the caller's contract promises.
  struct Frame {
    CXMLVar* element;
    ChildList::iterator next;
  };
  std::vector<Frame> frames;
  auto open = [&](CXMLVar* element) {
    if (!postOrder)
      visitor(element, context);
    frames.push_back({element, element->m_Children.begin()});
  };
  open(this);
  while (!frames.empty()) {
    Frame& top = frames.back();
    if (top.next == top.element->m_Children.end()) {
      CXMLVar* finished = top.element;
      frames.pop_back();
      if (postOrder)
        visitor(finished, context);
      continue;
    }
    CXMLVar* child = (top.next++)->get();
    open(child);
  }
}

std::unique_ptr<CXMLVar> CXMLVar::Clone() const {
  auto copy = std::make_unique<CXMLVar>(m_strName, m_strValue);
  // Each source element's children are copied in list order in one go, so
  // the copy's ordinals come out as copying child by child would give them.
  std::vector<std::pair<const CXMLVar*, CXMLVar*>> pending{{this, copy.get()}};
  while (!pending.empty()) {
    auto [source, target] = pending.back();
    pending.pop_back();
    for (const auto& child : source->m_Children) {
      CXMLVar* added =
          target->AddChild(std::make_unique<CXMLVar>(child->m_strName, child->m_strValue));
      pending.emplace_back(child.get(), added);
    }
  }
  return copy;
}

#include "xml/xml_var.h"

#include <unordered_set>
#include <utility>
#include <vector>

#include "xml/xml_space.h"

CXMLVar::CXMLVar(std::string name, std::string value)
    : m_strName(std::move(name)), m_strValue(std::move(value)) {}

CXMLVar::~CXMLVar() {
  // Dismantle the subtree iteratively rather than letting each child's
  // destructor destroy its own children: a deep tree must not exhaust the
  // call stack. Every node still to go hangs on one chain of sibling links;
  // a node's own children and instructions are spliced in at the chain's
  // head before it is destroyed, so its destructor finds nothing left to do.
  CXMLVar* pending = nullptr;
  auto splice = [&pending](CXMLVar*& first, CXMLVar*& last) {
    if (first == nullptr)
      return;
    last->m_pNextSibling = pending;
    pending = first;
    first = last = nullptr;
  };
  auto spliceInstructions = [&splice](CXMLVar*& first) {
    CXMLVar* last = first;
    while (last != nullptr && last->m_pNextSibling != nullptr)
      last = last->m_pNextSibling;
    splice(first, last);
  };
  splice(m_pFirstChild, m_pLastChild);
  spliceInstructions(m_pFirstInstruction);
  while (pending != nullptr) {
    CXMLVar* node = pending;
    pending = node->m_pNextSibling;
    splice(node->m_pFirstChild, node->m_pLastChild);
    spliceInstructions(node->m_pFirstInstruction);
    delete node;
  }
}

CXMLVarList CXMLVar::Instructions() const {
  CXMLVar* last = nullptr;
  std::size_t size = 0;
  for (CXMLVar* node = m_pFirstInstruction; node != nullptr; node = node->m_pNextSibling) {
    last = node;
    ++size;
  }
  return {m_pFirstInstruction, last, size};
}

CXMLVar* CXMLVar::FindChild(std::string_view name) const {
  if (m_pChildIndex && m_pChildIndex->Find(name) == nullptr)
    return nullptr;
  for (CXMLVar* child = m_pFirstChild; child != nullptr; child = child->m_pNextSibling) {
    if (child->m_strName == name)
      return child;
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
  if (!m_pChildIndex && m_nChildren >= kChildrenWithoutIndex)
    BuildChildIndex();
  if (!m_pChildIndex) {
    for (CXMLVar* sibling = m_pLastChild; sibling != nullptr;
         sibling = sibling->m_pPreviousSibling) {
      if (sibling->m_strName == child->m_strName) {
        child->m_nOrdinal = sibling->m_nOrdinal + 1;
        break;
      }
    }
    return AppendLoadedChild(std::move(child));
  }
  bool isNew = false;
  ChildNameSlot& slot = m_pChildIndex->Insert(child->m_strName, isNew);
  if (!isNew)
    child->m_nOrdinal = slot.highestOrdinal + 1;
  slot.highestOrdinal = child->m_nOrdinal;
  ++slot.children;
  return AppendLoadedChild(std::move(child));
}

CXMLVar* CXMLVar::AppendLoadedChild(std::unique_ptr<CXMLVar> child) {
  CXMLVar* added = child.release();
  added->m_pParent = this;
  added->m_pNextSibling = nullptr;
  added->m_pPreviousSibling = m_pLastChild;
  if (m_pLastChild != nullptr)
    m_pLastChild->m_pNextSibling = added;
  else
    m_pFirstChild = added;
  m_pLastChild = added;
  ++m_nChildren;
  return added;
}

void CXMLVar::RebuildChildIndex() {
  m_pChildIndex.reset();
  if (m_nChildren > kChildrenWithoutIndex)
    BuildChildIndex();
}

void CXMLVar::BuildChildIndex() {
  m_pChildIndex = std::make_unique<ChildNameIndex>();
  for (CXMLVar* child = m_pFirstChild; child != nullptr; child = child->m_pNextSibling) {
    bool isNew = false;
    ChildNameSlot& slot = m_pChildIndex->Insert(child->m_strName, isNew);
    slot.highestOrdinal = child->m_nOrdinal;
    ++slot.children;
  }
}

void CXMLVar::TakeChildrenFrom(CXMLVar& other) {
  m_pFirstChild = std::exchange(other.m_pFirstChild, nullptr);
  m_pLastChild = std::exchange(other.m_pLastChild, nullptr);
  m_nChildren = std::exchange(other.m_nChildren, 0);
  m_pChildIndex = std::move(other.m_pChildIndex);
  for (CXMLVar* child = m_pFirstChild; child != nullptr; child = child->m_pNextSibling)
    child->m_pParent = this;
}

void CXMLVar::Unlink(CXMLVar* node, CXMLVar*& first, CXMLVar** last) {
  if (node->m_pPreviousSibling != nullptr)
    node->m_pPreviousSibling->m_pNextSibling = node->m_pNextSibling;
  else
    first = node->m_pNextSibling;
  if (node->m_pNextSibling != nullptr)
    node->m_pNextSibling->m_pPreviousSibling = node->m_pPreviousSibling;
  else if (last != nullptr)
    *last = node->m_pPreviousSibling;
  node->m_pNextSibling = node->m_pPreviousSibling = nullptr;
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
  // highest ordinal stays, so ordinals are never handed out twice. From here
  // on the children alone can no longer tell it, so the index must exist.
  if (!m_pChildIndex)
    BuildChildIndex();
  ChildNameSlot* slot = m_pChildIndex->Find(child->m_strName);
  if (slot != nullptr && --slot->children <= 0)
    m_pChildIndex->Erase(child->m_strName);
  Unlink(child, m_pFirstChild, &m_pLastChild);
  --m_nChildren;
  child->m_pParent = nullptr;
  return std::unique_ptr<CXMLVar>(child);
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
      for (CXMLVar* child = next->m_pFirstChild; child != nullptr; child = child->m_pNextSibling)
        marking.push_back(child);
    }
  }
  // An element chosen here lies inside no element chosen before it, so it and
  // its parent are still alive when its turn comes.
  for (CXMLVar* node : chosen)
    node->m_pParent->DeleteChild(node);
}

CXMLVar* CXMLVar::AddInstruction(std::string name) {
  for (CXMLVar* node = m_pFirstInstruction; node != nullptr; node = node->m_pNextSibling) {
    if (node->m_strName == name) {
      Unlink(node, m_pFirstInstruction, nullptr);
      delete node;
      break;
    }
  }
  auto* added = new CXMLVar(std::move(name));
  added->m_pNextSibling = m_pFirstInstruction;
  if (m_pFirstInstruction != nullptr)
    m_pFirstInstruction->m_pPreviousSibling = added;
  m_pFirstInstruction = added;
  return added;
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
    CXMLVar* next;
  };
  std::vector<Frame> frames;
  auto open = [&](CXMLVar* element) {
    if (!postOrder)
      visitor(element, context);
    frames.push_back({element, element->m_pFirstChild});
  };
  open(this);
  while (!frames.empty()) {
    Frame& top = frames.back();
    if (top.next == nullptr) {
      CXMLVar* finished = top.element;
      frames.pop_back();
      if (postOrder)
        visitor(finished, context);
      continue;
    }
    CXMLVar* child = top.next;
    top.next = child->m_pNextSibling;
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
    for (const CXMLVar* child = source->m_pFirstChild; child != nullptr;
         child = child->m_pNextSibling) {
      CXMLVar* added =
          target->AddChild(std::make_unique<CXMLVar>(child->m_strName, child->m_strValue));
      pending.emplace_back(child, added);
    }
  }
  return copy;
}

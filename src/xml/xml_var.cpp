#include "xml/xml_var.h"

#include <algorithm>
#include <unordered_set>
#include <utility>
#include <vector>

#include "xml/node_pool.h"
#include "xml/xml_space.h"

// Two bytes of input ("<>") can make a node; at this size such an input costs
// less than 30 times its size.
static_assert(sizeof(CXMLVar) <= 56);

namespace {

// Lives as long as the process: a node may be destroyed by a static
// destructor after any pool object would have been.
NodePool& Pool() {
  static NodePool& pool = *new NodePool(sizeof(CXMLVar));
  return pool;
}

}  // namespace

void* CXMLVar::operator new(std::size_t size) {
  return size == sizeof(CXMLVar) ? Pool().Allocate() : ::operator new(size);
}

void CXMLVar::operator delete(void* node, std::size_t size) noexcept {
  if (size == sizeof(CXMLVar))
    Pool().Release(node);
  else
    ::operator delete(node);
}

CXMLVar::CXMLVar(CompactText name, CompactText value)
    : m_strName(std::move(name)), m_strValue(std::move(value)) {}

CXMLVar::~CXMLVar() {
  // Dismantle the subtree iteratively rather than letting each child's
  // destructor destroy its own children: a deep tree must not exhaust the
  // call stack. Every node still to go hangs on one chain of sibling links;
  // a node's own children and instructions are spliced in at the chain's
  // head before it is destroyed, so its destructor finds nothing left to do.
  CXMLVar* pending = nullptr;
  auto spliceFrom = [&pending](CXMLVar& node) {
    if (node.m_pLastChild != nullptr) {
      CXMLVar* first = node.m_pLastChild->m_pNextSibling;
      node.m_pLastChild->m_pNextSibling = pending;
      pending = first;
      node.m_pLastChild = nullptr;
    }
    if (node.m_Attributes.m_pParts && node.m_Attributes.m_pParts->firstInstruction != nullptr) {
      CXMLVar* first = std::exchange(node.m_Attributes.m_pParts->firstInstruction, nullptr);
      CXMLVar* last = first;
      while (last->m_pNextSibling != nullptr)
        last = last->m_pNextSibling;
      last->m_pNextSibling = pending;
      pending = first;
    }
  };
  spliceFrom(*this);
  while (pending != nullptr) {
    CXMLVar* node = pending;
    pending = node->m_pNextSibling;
    spliceFrom(*node);
    delete node;
  }
}

CXMLVarList CXMLVar::Instructions() const {
  CXMLVar* first = m_Attributes.m_pParts ? m_Attributes.m_pParts->firstInstruction : nullptr;
  CXMLVar* last = nullptr;
  std::size_t size = 0;
  for (CXMLVar* node = first; node != nullptr; node = node->m_pNextSibling) {
    last = node;
    ++size;
  }
  return {first, last, size};
}

CXMLVar* CXMLVar::FindChild(std::string_view name) const {
  if (ChildNameIndex* index = Index(); index != nullptr && index->Find(name) == nullptr)
    return nullptr;
  for (CXMLVar* child : Children()) {
    if (child->m_strName == name)
      return child;
  }
  return nullptr;
}

CXMLVar* CXMLVar::GetChild(std::string_view name) {
  if (CXMLVar* found = FindChild(name))
    return found;
  return AddChild(std::make_unique<CXMLVar>(name));
}

CompactText& CXMLVar::ChildValue(std::string_view name) {
  return GetChild(name)->m_strValue;
}

std::string CXMLVar::GetAttribute(std::string_view name) const {
  auto found = m_Attributes.find(name);
  return found == m_Attributes.end() ? std::string() : found->second.str();
}

void CXMLVar::SetAttribute(CompactText name, CompactText value) {
  m_Attributes.insert_or_assign(std::move(name), std::move(value));
}

CXMLVar* CXMLVar::AddChild(std::unique_ptr<CXMLVar> child) {
  if (!child)
    return nullptr;
  if (Index() == nullptr && m_nChildren >= kChildrenWithoutIndex)
    BuildChildIndex();
  ChildNameIndex* index = Index();
  if (index == nullptr) {
    for (CXMLVar* sibling : Children()) {
      if (sibling->m_strName == child->m_strName)
        child->m_nOrdinal = sibling->m_nOrdinal + 1;
    }
    return AppendLoadedChild(std::move(child));
  }
  bool isNew = false;
  ChildNameSlot& slot = index->Insert(child->m_strName, isNew);
  if (!isNew)
    child->m_nOrdinal = slot.highestOrdinal + 1;
  slot.highestOrdinal = child->m_nOrdinal;
  ++slot.children;
  return AppendLoadedChild(std::move(child));
}

CXMLVar* CXMLVar::AppendLoadedChild(std::unique_ptr<CXMLVar> child) {
  CXMLVar* added = child.release();
  added->m_pParent = this;
  if (m_pLastChild != nullptr) {
    added->m_pNextSibling = m_pLastChild->m_pNextSibling;
    m_pLastChild->m_pNextSibling = added;
  } else {
    added->m_pNextSibling = added;
  }
  m_pLastChild = added;
  ++m_nChildren;
  return added;
}

void CXMLVar::RebuildChildIndex() {
  if (m_Attributes.m_pParts)
    m_Attributes.m_pParts->childIndex.reset();
  if (m_nChildren > kChildrenWithoutIndex)
    BuildChildIndex();
}

void CXMLVar::BuildChildIndex() {
  auto& index = m_Attributes.MakeParts().childIndex;
  index = std::make_unique<ChildNameIndex>();
  for (CXMLVar* child : Children()) {
    bool isNew = false;
    ChildNameSlot& slot = index->Insert(child->m_strName, isNew);
    slot.highestOrdinal = child->m_nOrdinal;
    ++slot.children;
  }
}

void CXMLVar::TakeChildrenFrom(CXMLVar& other) {
  m_pLastChild = std::exchange(other.m_pLastChild, nullptr);
  m_nChildren = std::exchange(other.m_nChildren, 0);
  std::unique_ptr<ChildNameIndex> index;
  if (other.m_Attributes.m_pParts)
    index = std::move(other.m_Attributes.m_pParts->childIndex);
  if (index || m_Attributes.m_pParts)
    m_Attributes.MakeParts().childIndex = std::move(index);
  for (CXMLVar* child : Children())
    child->m_pParent = this;
}

bool CXMLVar::AddText(std::string_view text) {
  while (!text.empty() && IsXmlSpace(text.back()))
    text.remove_suffix(1);
  if (text.empty())
    return false;
  AddChild(std::make_unique<CXMLVar>("#text", text));
  return true;
}

void CXMLVar::ForgetChildName(const CXMLVar& child) {
  // The last child of a name takes the name out of the index; otherwise the
  // highest ordinal stays, so ordinals are never handed out twice. From here
  // on the children alone can no longer tell it, so the index must exist.
  if (Index() == nullptr)
    BuildChildIndex();
  ChildNameIndex* index = Index();
  ChildNameSlot* slot = index->Find(child.m_strName);
  if (slot != nullptr && --slot->children <= 0)
    index->Erase(child.m_strName);
}

std::unique_ptr<CXMLVar> CXMLVar::RemoveChild(CXMLVar* child) {
  if (child == nullptr || child->m_pParent != this)
    return nullptr;
  ForgetChildName(*child);
  CXMLVar* previous = m_pLastChild;
  while (previous->m_pNextSibling != child)
    previous = previous->m_pNextSibling;
  if (previous == child)
    m_pLastChild = nullptr;
  else
    previous->m_pNextSibling = child->m_pNextSibling;
  if (m_pLastChild == child)
    m_pLastChild = previous;
  --m_nChildren;
  child->m_pParent = nullptr;
  child->m_pNextSibling = nullptr;
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
      for (CXMLVar* child : next->Children())
        marking.push_back(child);
    }
  }
  // An element chosen here lies inside no element chosen before it, so it and
  // its parent are still alive when it is taken out. Each parent's ring is
  // walked once for all its chosen children, rather than once for each.
  const std::unordered_set<const CXMLVar*> taken(chosen.begin(), chosen.end());
  std::unordered_set<CXMLVar*> parents;
  for (CXMLVar* node : chosen) {
    CXMLVar* parent = node->m_pParent;
    parent->ForgetChildName(*node);
    if (!parents.insert(parent).second)
      continue;
    // The ring is walked by count, as it is relinked on the way.
    CXMLVar* child = parent->FirstChild();
    const std::uint32_t count = std::exchange(parent->m_nChildren, 0);
    parent->m_pLastChild = nullptr;
    for (std::uint32_t i = 0; i < count; ++i) {
      CXMLVar* next = child->m_pNextSibling;
      if (taken.count(child) == 0)
        parent->AppendLoadedChild(std::unique_ptr<CXMLVar>(child));
      child = next;
    }
  }
  for (CXMLVar* node : chosen) {
    node->m_pParent = nullptr;
    node->m_pNextSibling = nullptr;
    delete node;
  }
}

CXMLVar* CXMLVar::AddInstruction(CompactText name) {
  CXMLVar*& first = m_Attributes.MakeParts().firstInstruction;
  for (CXMLVar** link = &first; *link != nullptr; link = &(*link)->m_pNextSibling) {
    if ((*link)->m_strName == name) {
      CXMLVar* gone = *link;
      *link = gone->m_pNextSibling;
      gone->m_pNextSibling = nullptr;
      delete gone;
      break;
    }
  }
  auto* added = new CXMLVar(std::move(name));
  added->m_pNextSibling = first;
  first = added;
  return added;
}

void CXMLVar::SetStylesheet(CompactText href) {
  CXMLVar* instruction = AddInstruction("?xml-stylesheet");
  instruction->SetAttribute("type", "text/xsl");
  instruction->SetAttribute("href", std::move(href));
}

void CXMLVar::Traverse(TraverseVisitor visitor, void* context, bool postOrder) {
  // One frame per open element: the element and the child to visit next.
  // The next child is taken (and the frame moved past it) before the child's
  // own subtree is visited, as the caller's contract promises.
  struct Frame {
    CXMLVar* element;
    CXMLVar* next;
  };
  std::vector<Frame> frames;
  auto open = [&](CXMLVar* element) {
    if (!postOrder)
      visitor(element, context);
    frames.push_back({element, element->FirstChild()});
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
    top.next = child->NextSibling();
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
    for (const CXMLVar* child : source->Children()) {
      CXMLVar* added =
          target->AddChild(std::make_unique<CXMLVar>(child->m_strName, child->m_strValue));
      pending.emplace_back(child, added);
    }
  }
  return copy;
}

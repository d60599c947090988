// CXMLVar: one node of the element tree that holds the update catalogue and
// the library version list.
//
// One class serves every kind of node: elements, text nodes ("#text"),
// comments, declarations and CDATA sections ("!"), and processing
// instructions (named after their target with its leading "?", kept on an
// element's instruction list, never among its children).
//
// An element owns its children and its instruction nodes; destroying a root
// destroys its whole tree. Children keep the order in which they were added
// (document order for a tree that was read). Each child carries an ordinal
// among its same-named siblings that is never renumbered: removing a child
// leaves gaps, and a name returns to ordinal 0 only once no child bears it.
//
// Lookups that miss are not errors: GetChild and ChildValue append the
// missing child, FindChild yields nullptr, GetAttribute yields "".
//
// Every walk over the tree (destruction, Clone, Traverse, DeleteNodes,
// Serialize, reading) works without recursion, so a tree a million levels
// deep costs heap in proportion to its size, never the call stack.
//
// No locking: one thread at a time builds, uses and destroys a tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <iterator>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "xml/attribute_map.h"
#include "xml/child_index.h"
#include "xml/compact_text.h"

class TreeArchive;

class CXMLVar;
using TraverseVisitor = void (*)(CXMLVar* element, void* context);

// The children (or the instruction nodes) of an element, in list order, as
// element pointers; a view that follows the tree as it changes.
class CXMLVarList {
 public:
  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = CXMLVar*;
    using difference_type = std::ptrdiff_t;
    using pointer = CXMLVar* const*;
    using reference = CXMLVar* const&;

    iterator() = default;
    explicit iterator(CXMLVar* node) : m_node(node) {}
    CXMLVar* operator*() const { return m_node; }
    iterator& operator++();
    iterator operator++(int) {
      iterator before = *this;
      ++*this;
      return before;
    }
    bool operator==(const iterator&) const = default;

   private:
    CXMLVar* m_node = nullptr;
  };

  CXMLVarList(CXMLVar* first, CXMLVar* last, std::size_t size)
      : m_first(first), m_last(last), m_size(size) {}
  iterator begin() const { return iterator(m_first); }
  iterator end() const { return iterator(); }
  std::size_t size() const { return m_size; }
  bool empty() const { return m_size == 0; }
  // nullptr when empty.
  CXMLVar* front() const { return m_first; }
  CXMLVar* back() const { return m_last; }

 private:
  CXMLVar* m_first;
  CXMLVar* m_last;
  std::size_t m_size;
};

// Final: its nodes come from a pool of cells of exactly its size.
class CXMLVar final {
 public:
  // Attribute names are unique and compared exactly; iteration is in name order.
  using AttributeMap = ::AttributeMap;

  explicit CXMLVar(CompactText name = {}, CompactText value = {});
  ~CXMLVar();
  CXMLVar(const CXMLVar&) = delete;
  CXMLVar& operator=(const CXMLVar&) = delete;

  // Nodes come from a pool of cells of their own size (see node_pool.h).
  static void* operator new(std::size_t size);
  static void operator delete(void* node, std::size_t size) noexcept;

  // The name exactly as read. Renaming an element after it has been added to a
  // parent leaves the parent's name index behind; don't.
  CompactText m_strName;
  // Read and assigned in place by the catalogue and the view.
  CompactText m_strValue;
  // Read, iterated and assigned in place by the catalogue's brand rewrite.
  AttributeMap m_Attributes;

  CXMLVarList Children() const { return {FirstChild(), m_pLastChild, m_nChildren}; }
  // Newest first.
  CXMLVarList Instructions() const;
  CXMLVar* Parent() const { return m_pParent; }
  // The next element in the parent's children (or, for an instruction node,
  // in its element's instructions); nullptr at the end.
  CXMLVar* NextSibling() const {
    return m_pParent != nullptr && m_pParent->m_pLastChild == this ? nullptr : m_pNextSibling;
  }
  std::int32_t Ordinal() const { return m_nOrdinal; }

  // --- lookup (names compared byte for byte, case-sensitive) ---
  // The first child of that name, or nullptr; an absent name costs no scan.
  CXMLVar* FindChild(std::string_view name) const;
  // FindChild, or a new empty child of that name appended: never nullptr.
  CXMLVar* GetChild(std::string_view name);
  // The value of GetChild(name), assignable in place.
  CompactText& ChildValue(std::string_view name);

  std::string GetAttribute(std::string_view name) const;
  void SetAttribute(CompactText name, CompactText value);

  // --- structure ---
  // Appends child (nullptr: nothing happens, returns nullptr) and returns it.
  // Its ordinal becomes one more than the highest handed out for its name;
  // a name no child bears keeps the ordinal the child has.
  CXMLVar* AddChild(std::unique_ptr<CXMLVar> child);
  // Appends a "#text" child holding text trimmed at its end of white space
  // (leading white space stays); false, and nothing added, when nothing is left.
  bool AddText(std::string_view text);
  // Takes a child out without destroying it; the caller owns it, and it has no
  // parent any more. nullptr when child is not a child of this element.
  // Costs a walk over the siblings before it.
  std::unique_ptr<CXMLVar> RemoveChild(CXMLVar* child);
  // RemoveChild and destroy; nullptr or a stranger is ignored.
  void DeleteChild(CXMLVar* child);
  // Deletes each listed element through its parent, as in list order. An
  // element listed again, or lying inside one listed before it, has gone with
  // that one and is skipped; so is nullptr or an element without a parent.
  // Costs one walk over each parent's children, however many go.
  static void DeleteNodes(std::span<CXMLVar* const> nodes);

  // Replaces the newest instruction node of that name by a fresh one at the
  // head of the instruction list, and returns the fresh one.
  CXMLVar* AddInstruction(CompactText name);
  // A "?xml-stylesheet" instruction with type "text/xsl" and the given href.
  void SetStylesheet(CompactText href);

  // --- walking and copying ---
  // Calls visitor on this element and every descendant through the children
  // (text and "!" nodes too, instruction nodes not): parents first, or, with
  // postOrder, children first. The sibling that follows a child is noted
  // before the child's subtree is visited, so the visitor may change the tree
  // except for the element it is given, its ancestors and the sibling that
  // follows it. The usual pattern: collect elements, then DeleteNodes.
  void Traverse(TraverseVisitor visitor, void* context, bool postOrder = false);
  // A new root: a deep copy of name, value and children, ordinals and index
  // built afresh by AddChild. Attributes and instruction nodes are not copied.
  std::unique_ptr<CXMLVar> Clone() const;

  // --- reading (xml/reader.cpp) ---
  // Reads a whole document: the prolog (recording a leading stylesheet
  // instruction) and the document element, which this element becomes.
  void ParseDocument(std::istream& stream);
  // isDocument: as ParseDocument. Otherwise reads this element's content, its
  // start tag having just been read, up to and including its end tag.
  void Parse(std::istream& stream, bool isDocument);
  // Splits a tag text held in m_strName into the name and its attributes.
  void SplitTag();
  // Reads name="value" pairs into the attributes; returns the attribute count
  // afterwards (0 for an empty text).
  std::size_t ParseAttributes(std::string_view text);

  // --- archive (xml/archive.cpp) ---
  // Storing writes this element and its subtree; loading replaces this
  // element's name, value, attributes, children and ordinal with what the
  // archive holds, or, when the archive is truncated or corrupted, leaves the
  // element as it was and marks the archive failed.
  void Serialize(TreeArchive& archive);

 private:
  friend class TreeLoader;

  CXMLVar* FirstChild() const {
    return m_pLastChild != nullptr ? m_pLastChild->m_pNextSibling : nullptr;
  }
  ChildNameIndex* Index() const {
    return m_Attributes.m_pParts ? m_Attributes.m_pParts->childIndex.get() : nullptr;
  }
  // Appends a child whose ordinal is already set, leaving the index alone.
  CXMLVar* AppendLoadedChild(std::unique_ptr<CXMLVar> child);
  void RebuildChildIndex();
  void BuildChildIndex();
  // Counts child's removal in the index (made first when missing).
  void ForgetChildName(const CXMLVar& child);
  // Moves all of other's children, with their index, to this element, which
  // has none.
  void TakeChildrenFrom(CXMLVar& other);

  // Every byte here is paid once per node, and a hostile catalogue can make a
  // node of every two bytes it sends: what most nodes never use (attributes,
  // instructions, the child index) waits behind the attribute map's one
  // pointer, and the children are a ring of the elements' own sibling links,
  // the last child's link leading back to the first: no list node to
  // allocate per element, no link back to the previous sibling.
  CXMLVar* m_pParent = nullptr;
  CXMLVar* m_pLastChild = nullptr;
  // In the parent's ring of children, or in an element's chain of
  // instructions (which ends in nullptr).
  CXMLVar* m_pNextSibling = nullptr;
  std::int32_t m_nOrdinal = 0;
  std::uint32_t m_nChildren = 0;
  // The index is made once the element has more than kChildrenWithoutIndex
  // children, or loses one. Until then nothing has been taken out, so each
  // name's highest ordinal is that of its latest child, and a scan of a few
  // children answers what the index would.
  static constexpr std::uint32_t kChildrenWithoutIndex = 8;
};

inline CXMLVarList::iterator& CXMLVarList::iterator::operator++() {
  m_node = m_node->NextSibling();
  return *this;
}

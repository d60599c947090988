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
// Serialize, reading) works with an explicit stack, so a tree a million
// levels deep costs memory in proportion to its size, never the call stack.
//
// No locking: one thread at a time builds, uses and destroys a tree.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <list>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>

class TreeArchive;

class CXMLVar;
using TraverseVisitor = void (*)(CXMLVar* element, void* context);

class CXMLVar {
 public:
  using ChildList = std::list<std::unique_ptr<CXMLVar>>;
  // Attribute names are unique and compared exactly; iteration is in name order.
  using AttributeMap = std::map<std::string, std::string, std::less<>>;

  explicit CXMLVar(std::string name = {}, std::string value = {});
  virtual ~CXMLVar();
  CXMLVar(const CXMLVar&) = delete;
  CXMLVar& operator=(const CXMLVar&) = delete;

  // The name exactly as read. Renaming an element after it has been added to a
  // parent leaves the parent's name index behind; don't.
  std::string m_strName;
  // Read and assigned in place by the catalogue and the view.
  std::string m_strValue;
  // Read, iterated and assigned in place by the catalogue's brand rewrite.
  AttributeMap m_Attributes;

  const ChildList& Children() const { return m_Children; }
  // Newest first.
  const ChildList& Instructions() const { return m_Instructions; }
  CXMLVar* Parent() const { return m_pParent; }
  std::int32_t Ordinal() const { return m_nOrdinal; }

  // --- lookup (names compared byte for byte, case-sensitive) ---
  // The first child of that name, or nullptr; an absent name costs no scan.
  CXMLVar* FindChild(std::string_view name) const;
  // FindChild, or a new empty child of that name appended: never nullptr.
  CXMLVar* GetChild(std::string_view name);
  // The value of GetChild(name), assignable in place.
  std::string& ChildValue(std::string_view name);

  std::string GetAttribute(std::string_view name) const;
  void SetAttribute(std::string name, std::string value);

  // --- structure ---
  // Appends child (nullptr: nothing happens, returns nullptr) and returns it.
  // Its ordinal becomes one more than the highest handed out for its name;
  // a name no child bears keeps the ordinal the child has.
  CXMLVar* AddChild(std::unique_ptr<CXMLVar> child);
  // Appends a "#text" child holding text trimmed at its end of white space
  // (leading white space stays); false, and nothing added, when nothing is left.
  bool AddText(std::string text);
  // Takes a child out without destroying it; the caller owns it, and it has no
  // parent any more. nullptr when child is not a child of this element.
  std::unique_ptr<CXMLVar> RemoveChild(CXMLVar* child);
  // RemoveChild and destroy; nullptr or a stranger is ignored.
  void DeleteChild(CXMLVar* child);
  // Deletes each listed element through its parent, in list order. An element
  // listed again, or lying inside one listed before it, has gone with that one
  // and is skipped; so is nullptr or an element without a parent.
  static void DeleteNodes(std::span<CXMLVar* const> nodes);

  // Replaces the newest instruction node of that name by a fresh one at the
  // head of the instruction list, and returns the fresh one.
  CXMLVar* AddInstruction(std::string name);
  // A "?xml-stylesheet" instruction with type "text/xsl" and the given href.
  void SetStylesheet(std::string href);

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
  virtual void Serialize(TreeArchive& archive);

 private:
  friend class TreeLoader;

  // Highest ordinal handed out for a name, and how many children bear it, so
  // that removing one needs no scan of the siblings.
  struct NameSlot {
    std::int32_t highestOrdinal = 0;
    std::int32_t children = 0;
  };

  // Appends a child whose ordinal is already set, leaving the index alone.
  CXMLVar* AppendLoadedChild(std::unique_ptr<CXMLVar> child);
  void RebuildChildIndex();

  ChildList m_Children;
  std::map<std::string, NameSlot, std::less<>> m_ChildIndex;
  std::int32_t m_nOrdinal = 0;
  ChildList m_Instructions;
  CXMLVar* m_pParent = nullptr;
  // Where this element sits in its parent's m_Children.
  ChildList::iterator m_position;
};

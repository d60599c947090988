#include "xml/xml_var.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Names(const CXMLVar& element) {
  std::vector<std::string> names;
  for (const auto& child : element.Children())
    names.push_back(child->m_strName + "#" + std::to_string(child->Ordinal()));
  return names;
}

CXMLVar* Add(CXMLVar& parent, const std::string& name, const std::string& value = "") {
  return parent.AddChild(std::make_unique<CXMLVar>(name, value));
}

void CollectName(CXMLVar* element, void* context) {
  static_cast<std::vector<std::string>*>(context)->push_back(element->m_strName);
}

}  // namespace

TEST(XmlVar, GetChildAppendsAMissingChildOnceAndFindChildNeverAppends) {
  CXMLVar item("Item");
  EXPECT_EQ(item.FindChild("Info"), nullptr);
  CXMLVar* info = item.GetChild("Info");
  EXPECT_EQ(item.GetChild("Info"), info);
  EXPECT_EQ(item.ChildValue("Size"), "");
  EXPECT_EQ(Names(item), (std::vector<std::string>{"Info#0", "Size#0"}));
  item.ChildValue("Size") = "12";
  EXPECT_EQ(item.FindChild("Size")->m_strValue, "12");
  EXPECT_EQ(item.FindChild("size"), nullptr);
  // The first of several same-named children.
  Add(item, "Info", "second");
  EXPECT_EQ(item.FindChild("Info"), info);
}

TEST(XmlVar, OrdinalsAreNeverReusedWhileANameIsInUse) {
  CXMLVar root("r");
  CXMLVar* a = Add(root, "File");
  CXMLVar* b = Add(root, "File");
  CXMLVar* c = Add(root, "File");
  EXPECT_EQ(Names(root), (std::vector<std::string>{"File#0", "File#1", "File#2"}));
  root.DeleteChild(b);
  EXPECT_EQ(Add(root, "File")->Ordinal(), 3);
  std::unique_ptr<CXMLVar> taken = root.RemoveChild(a);
  ASSERT_NE(taken, nullptr);
  EXPECT_EQ(taken->Parent(), nullptr);
  root.DeleteChild(c);
  root.DeleteChild(root.FindChild("File"));
  EXPECT_EQ(root.FindChild("File"), nullptr);
  EXPECT_EQ(Add(root, "File")->Ordinal(), 0);
  // A stranger or nothing is ignored.
  root.DeleteChild(taken.get());
  root.DeleteChild(nullptr);
  EXPECT_EQ(root.AddChild(nullptr), nullptr);
  EXPECT_EQ(root.Children().size(), 1u);
}

TEST(XmlVar, RemovingTheLatestChildOfANameDoesNotHandItsOrdinalOutAgain) {
  // A few children, and more than an element keeps without a name index.
  for (int files : {3, 12}) {
    CXMLVar root("r");
    for (int i = 0; i < files; ++i)
      Add(root, "File");
    root.DeleteChild(root.Children().back());
    EXPECT_EQ(Add(root, "File")->Ordinal(), files) << files;
  }
}

TEST(XmlVar, SetStylesheetTwiceLeavesOneInstructionWithTheLaterHref) {
  CXMLVar e("e");
  e.AddInstruction("?other");
  e.SetStylesheet("a.xsl");
  e.SetStylesheet("b.xsl");
  ASSERT_EQ(e.Instructions().size(), 2u);
  const CXMLVar& newest = *e.Instructions().front();
  EXPECT_EQ(newest.m_strName, "?xml-stylesheet");
  EXPECT_EQ(newest.GetAttribute("type"), "text/xsl");
  EXPECT_EQ(newest.GetAttribute("href"), "b.xsl");
  EXPECT_TRUE(e.Children().empty());
}

TEST(XmlVar, TraverseVisitsParentsFirstOrChildrenFirst) {
  CXMLVar root("R");
  Add(*Add(root, "A"), "A1");
  Add(root, "B");
  root.AddInstruction("?pi");
  std::vector<std::string> pre, post;
  root.Traverse(CollectName, &pre);
  root.Traverse(CollectName, &post, true);
  EXPECT_EQ(pre, (std::vector<std::string>{"R", "A", "A1", "B"}));
  EXPECT_EQ(post, (std::vector<std::string>{"A1", "A", "B", "R"}));
}

TEST(XmlVar, TraverseToleratesAVisitorThatDropsTheChildrenItIsGivenOrLaterSiblings) {
  CXMLVar root("R");
  CXMLVar* a = Add(root, "A");
  Add(*a, "drop");
  Add(root, "B");
  Add(root, "C");
  Add(root, "D");
  struct Walk {
    std::vector<std::string> seen;
    CXMLVar* root;
  } walk{{}, &root};
  root.Traverse(
      [](CXMLVar* element, void* context) {
        auto* w = static_cast<Walk*>(context);
        w->seen.push_back(element->m_strName);
        if (element->m_strName == "A") {
          element->DeleteChild(element->FindChild("drop"));
          // C lies beyond the sibling that follows A.
          w->root->DeleteChild(w->root->FindChild("C"));
        }
      },
      &walk);
  EXPECT_EQ(walk.seen, (std::vector<std::string>{"R", "A", "B", "D"}));
}

TEST(XmlVar, CloneCopiesNamesValuesAndChildrenWithFreshOrdinalsAndOutlivesTheSource) {
  auto source = std::make_unique<CXMLVar>("Downloads", "\n");
  source->SetAttribute("x", "1");
  source->AddText("intro");
  CXMLVar* a = Add(*source, "Item", "a");
  Add(*source, "Item", "b");
  Add(*a, "href", "http://h/a.exe");
  source->DeleteChild(a);
  Add(*Add(*source, "Item", "c"), "href", "http://h/c.exe");
  source->AddInstruction("?pi");

  std::unique_ptr<CXMLVar> copy = source->Clone();
  source.reset();
  EXPECT_EQ(copy->m_strName, "Downloads");
  EXPECT_EQ(copy->m_strValue, "\n");
  EXPECT_EQ(copy->Parent(), nullptr);
  EXPECT_TRUE(copy->m_Attributes.empty());
  EXPECT_TRUE(copy->Instructions().empty());
  EXPECT_EQ(Names(*copy), (std::vector<std::string>{"#text#0", "Item#0", "Item#1"}));
  EXPECT_EQ(copy->Children().back()->ChildValue("href"), "http://h/c.exe");
  EXPECT_EQ(copy->Children().back()->Parent(), copy.get());
}

TEST(XmlVar, DeleteNodesSkipsRepeatsNestedElementsAndRoots) {
  CXMLVar downloads("Downloads");
  CXMLVar* a = Add(downloads, "A");
  CXMLVar* a1 = Add(*a, "Info", "Payroll");
  CXMLVar* b = Add(downloads, "B");
  CXMLVar* b1 = Add(*b, "Info");
  CXMLVar* c = Add(downloads, "C");
  Add(downloads, "D");
  // A twice, A's own field after A, B's field before B, the root, nothing.
  std::vector<CXMLVar*> listed{a, a, a1, b1, b, &downloads, nullptr, c};
  CXMLVar::DeleteNodes(listed);
  EXPECT_EQ(Names(downloads), (std::vector<std::string>{"D#0"}));
  CXMLVar::DeleteNodes({});
  EXPECT_EQ(downloads.Children().size(), 1u);
}

TEST(XmlVar, NodesKeepTheirTextsAndPlacesAcrossPoolBlocksAndReusedCells) {
  // Enough nodes for several blocks of the node pool; every other one freed
  // through DeleteNodes and its cell handed out again.
  constexpr int kChildren = 60'000;
  auto text = [](int i) {
    return std::string(static_cast<std::size_t>(i % 13), 'v') + "." + std::to_string(i);
  };
  CXMLVar root("r");
  std::vector<CXMLVar*> odd;
  for (int i = 0; i < kChildren; ++i) {
    CXMLVar* child = Add(root, i % 2 != 0 ? "odd" : "even", text(i));
    if (i % 2 != 0)
      odd.push_back(child);
  }
  CXMLVar::DeleteNodes(odd);
  for (int i = 0; i < kChildren / 2; ++i)
    Add(root, "new", text(i));
  std::vector<std::string> expected;
  for (int i = 0; i < kChildren / 2; ++i)
    expected.push_back("even#" + std::to_string(i) + "=" + text(2 * i));
  for (int i = 0; i < kChildren / 2; ++i)
    expected.push_back("new#" + std::to_string(i) + "=" + text(i));
  std::vector<std::string> got;
  for (const CXMLVar* child : root.Children()) {
    got.push_back(child->m_strName + "#" + std::to_string(child->Ordinal()) + "=" +
                  child->m_strValue);
    EXPECT_EQ(child->Parent(), &root);
  }
  EXPECT_EQ(got, expected);
  EXPECT_EQ(root.Children().size(), expected.size());
  EXPECT_EQ(root.FindChild("odd"), nullptr);
}

TEST(XmlVar, AMillionLevelsDeepAreBuiltWalkedCopiedPrunedAndDestroyedWithoutRecursion) {
  constexpr int kDepth = 1'000'000;
  auto root = std::make_unique<CXMLVar>("level");
  std::vector<CXMLVar*> chain{root.get()};
  for (int i = 1; i < kDepth; ++i)
    chain.push_back(Add(*chain.back(), "level"));
  int visited = 0;
  root->Traverse([](CXMLVar*, void* n) { ++*static_cast<int*>(n); }, &visited, true);
  EXPECT_EQ(visited, kDepth);
  std::unique_ptr<CXMLVar> copy = root->Clone();
  // Deepest first, each element goes on its own.
  std::vector<CXMLVar*> listed(chain.rbegin(), chain.rend() - 2);
  CXMLVar::DeleteNodes(listed);
  EXPECT_EQ(chain[1]->Children().size(), 0u);
  root.reset();
  // Shallowest first, the first takes all the others with it.
  std::vector<CXMLVar*> copied;
  copy->Traverse(
      [](CXMLVar* e, void* list) { static_cast<std::vector<CXMLVar*>*>(list)->push_back(e); },
      &copied);
  ASSERT_EQ(copied.size(), static_cast<std::size_t>(kDepth));
  CXMLVar::DeleteNodes(std::vector<CXMLVar*>(copied.begin() + 1, copied.end()));
  EXPECT_TRUE(copy->Children().empty());
}

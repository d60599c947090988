#include "xml/archive.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tree_text.h"
#include "xml/xml_var.h"

namespace {

std::string Store(CXMLVar& e) {
  std::ostringstream out;
  TreeArchive archive(out);
  e.Serialize(archive);
  EXPECT_FALSE(archive.Failed());
  return out.str();
}

// Loads bytes into a fresh element; nullptr when the archive failed.
std::unique_ptr<CXMLVar> Load(const std::string& bytes) {
  std::istringstream in(bytes);
  TreeArchive archive(in);
  auto e = std::make_unique<CXMLVar>("untouched", "v");
  e->SetAttribute("keep", "1");
  e->AddChild(std::make_unique<CXMLVar>("old"));
  const std::string before = TreeText(*e);
  e->Serialize(archive);
  if (archive.Failed()) {
    EXPECT_EQ(TreeText(*e), before);
    return nullptr;
  }
  return e;
}

std::unique_ptr<CXMLVar> Catalogue() {
  auto root = std::make_unique<CXMLVar>("Downloads", "\n  ");
  root->SetAttribute("skin", "gresmo");
  root->SetAttribute("empty", "");
  for (const char* name : {"Item", "Item", "Item", "#text", "!"}) {
    CXMLVar* item = root->AddChild(std::make_unique<CXMLVar>(name, std::string("v\0\xFF", 3)));
    item->AddChild(std::make_unique<CXMLVar>("href", "http://h/a.exe"));
  }
  root->DeleteChild(root->FindChild("Item"));  // leaves ordinals 1 and 2
  return root;
}

}  // namespace

TEST(Archive, ARoundTripKeepsTheTreeAndRebuildsTheNameIndex) {
  auto root = Catalogue();
  auto loaded = Load(Store(*root));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(TreeText(*loaded), TreeText(*root));
  EXPECT_EQ(loaded->FindChild("Item")->Ordinal(), 1);
  EXPECT_EQ(loaded->FindChild("Item")->Parent(), loaded.get());
  EXPECT_EQ(loaded->AddChild(std::make_unique<CXMLVar>("Item"))->Ordinal(), 3);
  EXPECT_EQ(loaded->FindChild("old"), nullptr);
}

TEST(Archive, EveryTruncationFailsAndLeavesTheElementAsItWas) {
  const std::string bytes = Store(*Catalogue());
  for (std::size_t length = 0; length < bytes.size(); ++length)
    EXPECT_EQ(Load(bytes.substr(0, length)), nullptr) << length;
}

TEST(Archive, CorruptedHeadersCountsLengthsAndParentsFail) {
  const std::string good = Store(*Catalogue());
  auto patched = [&](std::size_t at, std::string bytes) {
    std::string copy = good;
    copy.replace(at, bytes.size(), bytes);
    return copy;
  };
  EXPECT_EQ(Load(patched(0, "XXXX")), nullptr);
  EXPECT_EQ(Load(patched(4, std::string("\x02\x00", 2))), nullptr);
  // Vast attribute and child counts, and a vast first text: the bytes run out
  // long before anything of that size is allocated.
  EXPECT_EQ(Load(patched(6, "\xFF\xFF\xFF\x7F")), nullptr);
  EXPECT_EQ(Load(patched(10, "\xFF\xFF\xFF\xFF")), nullptr);

  CXMLVar parent("p");
  parent.AddChild(std::make_unique<CXMLVar>("c"));
  std::string bytes = Store(parent);
  // The child's parent reference sits before its ordinal, just ahead of the
  // root's name; pointing it at the child itself is corrupt.
  const std::size_t childParent = 6 + 4 + 4 + 4 + 4 + 4 + 1 + 4;
  ASSERT_EQ(bytes.substr(childParent, 4), std::string("\x01\x00\x00\x00", 4));
  EXPECT_NE(Load(bytes), nullptr);
  bytes[childParent] = 2;
  EXPECT_EQ(Load(bytes), nullptr);
}

TEST(Archive, AMillionLevelsDeepRoundTripWithoutRecursion) {
  constexpr int kDepth = 1'000'000;
  CXMLVar root("n");
  CXMLVar* last = &root;
  for (int i = 1; i < kDepth; ++i)
    last = last->AddChild(std::make_unique<CXMLVar>("n"));
  auto loaded = Load(Store(root));
  ASSERT_NE(loaded, nullptr);
  int depth = 1;
  for (const CXMLVar* e = loaded.get(); !e->Children().empty(); e = e->Children().front())
    ++depth;
  EXPECT_EQ(depth, kDepth);
}

#include "xml/reader.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "tree_text.h"
#include "trickle_buffer.h"
#include "xml/xml_var.h"

namespace {

std::unique_ptr<CXMLVar> Read(const std::string& document) {
  std::istringstream in(document);
  auto root = std::make_unique<CXMLVar>("");
  root->ParseDocument(in);
  return root;
}

std::string Child(const CXMLVar& e, std::size_t index) {
  auto it = e.Children().begin();
  std::advance(it, index);
  return (*it)->m_strName + "=" + (*it)->m_strValue;
}

// The reader as a plain recursive descent, one call per nesting level: the
// iterative reader must build the very same tree.
void RecursiveParse(CXMLVar& e, XMLInput& in, bool isDocument) {
  if (isDocument) {
    in.SkipPrefix("\xEF\xBB\xBF");
    for (;;) {
      e.m_strName = ReadTag(in).text;
      e.SplitTag();
      if (e.m_strName.starts_with('?')) {
        if (e.m_strName == "?xml-stylesheet")
          e.SetStylesheet(e.GetAttribute("href"));
        e.m_Attributes.clear();
      } else if (!e.m_strName.starts_with('!')) {
        break;
      }
    }
  }
  e.m_strValue = ReadText(in);
  if (e.GetAttribute("base64") != "T")
    e.m_strValue = DecodeEntities(e.m_strValue);
  while (!in.AtEnd()) {
    XMLTag tag = ReadTag(in);
    if (tag.isEnd) {
      if (e.Parent() != nullptr)
        e.Parent()->AddText(ReadText(in));
      return;
    }
    if (e.AddText(e.m_strValue))
      e.m_strValue.clear();
    auto child = std::make_unique<CXMLVar>(tag.text);
    child->SplitTag();
    CXMLVar* added = e.AddChild(std::move(child));
    if (!tag.isEmpty)
      RecursiveParse(*added, in, false);
    else
      e.AddText(ReadText(in));
  }
}

}  // namespace

TEST(Reader, ReadsTheCatalogueShapeWithValuesUntrimmedAndLaterTextsUndecoded) {
  auto root = Read(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- list -->\n<Files>\n  "
      "<File path=\"c:\\a.dll\" mtime=\"01/02/2003\"/>\n  Note &amp; more\n</Files>\ntrailing");
  EXPECT_EQ(TreeText(*root),
            "Files#0{}=\"\n  \"[File#0{mtime=01/02/2003;path=c:\\a.dll;}=\"\"[],"
            "#text#0{}=\"\n  Note &amp; more\"[],]");

  root = Read("<Files>\n  Note &amp; more\n  <File/></Files>");
  EXPECT_EQ(root->m_strValue, "");
  EXPECT_EQ(Child(*root, 0), "#text=\n  Note & more");
  EXPECT_EQ(Child(*root, 1), "File=");
}

TEST(Reader, ASelfClosingDocumentElementIsStillReadAsOpen) {
  auto root = Read("<Files a=\"1\"/>\n<File/>tail");
  EXPECT_EQ(TreeText(*root), "Files#0{a=1;}=\"\n\"[File#0{}=\"\"[],#text#0{}=\"tail\"[],]");
}

TEST(Reader, OnlyAPrologStylesheetIsRecordedAndInstructionsInContentAreChildren) {
  auto root = Read(
      "<?xml version=\"1.0\"?><?xml-stylesheet type=\"text/css\" href=\"s.xsl\"?>"
      "<!DOCTYPE r><r><?xml-stylesheet href=\"in.xsl\" ?><?pi a='1'?></r>");
  EXPECT_EQ(TreeText(*root),
            "r#0{}=\"\"~?xml-stylesheet#0{href=s.xsl;type=text/xsl;}=\"\"[]"
            "[?xml-stylesheet#0{href=in.xsl;}=\"\"[],?pi#0{a=1;}=\"\"[],]");
}

TEST(Reader, DecodesOnlyTheValueAndTheFirstTextAndHonoursBase64Exactly) {
  const std::string text = "&lt;b&gt; &#163;5 &#8364;\xC2\xA3";
  auto root = Read("<r><v>" + text + "</v><c/>" + text + "<d>" + text + "<x/></d><b base64=\"T\">" +
                   text + "</b><t base64=\"t\">" + text + "</t></r>");
  const std::string decoded =
      "<b> \xA3"
      "5 \x80\xA3";
  EXPECT_EQ(root->FindChild("v")->m_strValue, decoded);
  EXPECT_EQ(Child(*root, 2), "#text=" + text);
  EXPECT_EQ(Child(*root->FindChild("d"), 0), "#text=" + decoded);
  EXPECT_EQ(root->FindChild("b")->m_strValue, text);
  EXPECT_EQ(root->FindChild("t")->m_strValue, decoded);
}

TEST(Reader, HighBytesAreDroppedFromDecodedTextsOnly) {
  auto root = Read("<n\xE0\xFF a=\"\xE0x\xFF\">\xE0y<c/>\xFFz</n>");
  EXPECT_EQ(root->m_strName, "n\xE0\xFF");
  EXPECT_EQ(root->GetAttribute("a"), "x");
  EXPECT_EQ(Child(*root, 0), "#text=y");
  EXPECT_EQ(Child(*root, 2), "#text=\xFFz");
}

TEST(Reader, AttributeValuesInEveryQuotingAndNamesCutOnlyAtASpaceOrTab) {
  auto root = Read(
      "<r><e a='v' b=\"v\" c=v d=x\ty junk e = p\nq/><Tab\tk=\"1\"/>"
      "<Item\nx=\"1\">v</Item><s q=\"a>b\" p='a>b'/></r>");
  const CXMLVar& e = *root->FindChild("e");
  EXPECT_EQ(e.m_Attributes,
            (CXMLVar::AttributeMap{
                {"a", "v"}, {"b", "v"}, {"c", "v"}, {"d", "x\ty"}, {"junk e", "p\nq"}}));
  EXPECT_EQ(root->FindChild("Tab")->GetAttribute("k"), "1");
  EXPECT_EQ(root->FindChild("Item"), nullptr);
  EXPECT_EQ(Child(*root, 2), "Item\nx=\"1\"=v");
  // An apostrophe does not quote: the '>' inside it ends the tag.
  EXPECT_EQ(root->FindChild("s")->GetAttribute("q"), "a>b");
  EXPECT_EQ(root->FindChild("s")->GetAttribute("p"), "a");
}

TEST(Reader, EndTagsCloseWhateverIsOpenAndTheInputMayEndAnywhere) {
  EXPECT_EQ(TreeText(*Read("<r><a><b></x>t<c/></y></r>")),
            "r#0{}=\"\"[a#0{}=\"\"[b#0{}=\"\"[],#text#0{}=\"t\"[],c#0{}=\"\"[],],]");
  EXPECT_EQ(TreeText(*Read("<r><a k=\"v\">text")), "r#0{}=\"\"[a#0{k=v;}=\"text\"[],]");
  EXPECT_EQ(TreeText(*Read("")), "#0{}=\"\"[]");
  EXPECT_EQ(TreeText(*Read(" \n\t")), "#0{}=\"\"[]");
}

TEST(Reader, CommentsAndCDataBecomeBangNodesAndADoubleQuoteRunsOnPastTheComment) {
  auto root = Read("<r><!-- it\" --><x>\"y --><z/><![CDATA[a<b>\"c]]><!-- ok --></r>");
  EXPECT_EQ(Child(*root, 0), "!=!-- it\" --><x>\"y --");
  EXPECT_EQ(Child(*root, 1), "z=");
  EXPECT_EQ(Child(*root, 2), "!=![CDATA[a<b>\"c]]>");
  EXPECT_EQ(Child(*root, 3), "!=!-- ok --");
}

TEST(Reader, AByteOrderMarkAtTheVeryStartIsSkippedAndNothingElse) {
  EXPECT_EQ(TreeText(*Read("\xEF\xBB\xBF<r>v</r>")), "r#0{}=\"v\"[]");
  // A partial mark is read as ever: its first byte is taken as the '<'.
  EXPECT_EQ(Read("\xEF\xBB<r/>")->m_strName, "\xBB<r/>");
}

TEST(Reader, DecodingIsOnePassAndLeavesUnknownReferencesAlone) {
  EXPECT_EQ(DecodeEntities("&amp;lt; &#38; &foo; &apos;&quot;&gt;&"), "&lt; &#38; &foo; '\">&");
}

TEST(Reader, ContentReadingHandsTheTextAfterTheEndTagToTheParent) {
  CXMLVar parent("p");
  CXMLVar* child = parent.AddChild(std::make_unique<CXMLVar>("c"));
  std::istringstream in("text<x/>more</c> after<next/>");
  child->Parse(in, false);
  EXPECT_EQ(TreeText(parent),
            "p#0{}=\"\"[c#0{}=\"\"[#text#0{}=\"text\"[],x#0{}=\"\"[],#text#1{}=\"more\"[],],"
            "#text#0{}=\" after\"[],]");
  // The stream stands just after what was read.
  std::string rest;
  std::getline(in, rest);
  EXPECT_EQ(rest, "<next/>");
}

TEST(Reader, BuildsTheSameTreeAsARecursiveDescentForAnyDocument) {
  const std::vector<std::string> pieces{"<a>",
                                        "</a>",
                                        "<b x='1' y=\"&amp;\">",
                                        "</b>",
                                        "<c/>",
                                        "</>",
                                        "text",
                                        " ",
                                        "\n",
                                        "&lt;",
                                        "\xC2\xA3",
                                        "<!-- \" -->",
                                        "<![CDATA[<]]>",
                                        "<?pi k=v ?>",
                                        "<?xml-stylesheet href=\"s\"?>",
                                        "<d base64=\"T\">",
                                        "\"",
                                        "<",
                                        ">",
                                        "/",
                                        "\xEF\xBB\xBF",
                                        "<e\nf=1>",
                                        "<!DOCTYPE x>"};
  std::mt19937 random(20240611);
  for (int round = 0; round < 3000; ++round) {
    std::string document;
    const int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i)
      document += pieces[random() % pieces.size()];
    CXMLVar expected("");
    std::istringstream in(document);
    {
      XMLInput input(in);
      RecursiveParse(expected, input, true);
    }
    ASSERT_EQ(TreeText(*Read(document)), TreeText(expected)) << document;
    TrickleBuffer trickle(document);
    std::istream scanned(&trickle);
    CXMLVar inPlace("");
    inPlace.ParseDocument(scanned);
    ASSERT_EQ(TreeText(inPlace), TreeText(expected)) << document;
  }
}

TEST(Reader, HostileSizesFinishInMemoryProportionalToTheInput) {
  constexpr std::size_t kMillion = 1'000'000;
  std::string nested;
  for (std::size_t i = 0; i < kMillion; ++i)
    nested += "<a>";
  auto root = Read(nested);
  std::size_t depth = 1;
  for (const CXMLVar* e = root.get(); !e->Children().empty(); e = e->Children().front())
    ++depth;
  EXPECT_EQ(depth, kMillion);

  std::string wide = "<r";
  for (std::size_t i = 0; i < kMillion; ++i)
    wide += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  root = Read(wide + "/>");
  EXPECT_EQ(root->m_Attributes.size(), kMillion);
  EXPECT_EQ(root->GetAttribute("a999999"), "999999");

  std::string named = "<r>";
  for (std::size_t i = 0; i < kMillion; ++i)
    named += "<c" + std::to_string(i) + "/>";
  root = Read(named);
  EXPECT_EQ(root->Children().size(), kMillion);
  EXPECT_EQ(root->FindChild("c999999"), root->Children().back());

  constexpr std::size_t kLong = 100u << 20;
  root = Read("<r>" + std::string(kLong, 'x') + "</r>");
  EXPECT_EQ(root->m_strValue.size(), kLong);
}

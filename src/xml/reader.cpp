#include "xml/reader.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_space.h"
#include "xml/xml_var.h"

namespace {

bool IsBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), IsXmlSpace);
}

struct Entity {
  std::string_view text;
  char character;
};

// Tried in this order; the first that the text continues with wins.
constexpr std::array<Entity, 7> kEntityTable{{
    {"&amp;", '&'},
    {"&#163;", '\xA3'},  // pound sign in Windows-1252
    {"&quot;", '"'},
    {"&lt;", '<'},
    {"&gt;", '>'},
    {"&#8364;", '\x80'},  // euro sign in Windows-1252
    {"&apos;", '\''},
}};

constexpr std::string_view kCDataStart = "![CDATA[";
constexpr std::string_view kCDataEnd = "]]>";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Tracks where a tag's text ends: '<' and '>' nest, but not inside double
// quotes. Apostrophes do not quote.
class TagEnd {
 public:
  // True when c is the '>' that closes the tag.
  bool Closes(char c) {
    if (c == '"') {
      m_inQuotes = !m_inQuotes;
    } else if (!m_inQuotes) {
      if (c == '<')
        ++m_depth;
      else if (c == '>' && --m_depth == 0)
        return true;
    }
    return false;
  }
  static bool Matters(char c) { return c == '"' || c == '<' || c == '>'; }

 private:
  long long m_depth = 1;
  bool m_inQuotes = false;
};

}  // namespace

namespace {

// The reader's steps fill buffers that it reuses from one node to the next,
// so that a node's texts cost one exact-size copy and no growing.
void ReadTextInto(XMLInput& input, std::string& text) {
  text.clear();
  for (;;) {
    std::string_view window = input.Window();
    if (window.empty())
      return;
    std::size_t stop = window.find('<');
    text.append(window.substr(0, stop));
    if (stop != std::string_view::npos) {
      input.Consume(stop);
      return;
    }
    input.Consume(window.size());
  }
}

}  // namespace

std::string ReadText(XMLInput& input) {
  std::string text;
  ReadTextInto(input, text);
  return text;
}

std::string ReadCData(XMLInput& input) {
  std::string text;
  for (;;) {
    std::string_view window = input.Window();
    if (window.empty())
      return text;
    std::size_t close = window.find('>');
    if (close == std::string_view::npos) {
      text.append(window);
      input.Consume(window.size());
      continue;
    }
    text.append(window.substr(0, close + 1));
    input.Consume(close + 1);
    if (text.ends_with(kCDataEnd))
      return text;
  }
}

namespace {

void ReadTagTextInto(XMLInput& input, std::string& text) {
  text.clear();
  TagEnd end;
  for (;;) {
    std::string_view window = input.Window();
    if (window.empty())
      return;
    // Until the text holds eight characters, scan no further than the
    // eighth: the moment it is appended decides whether this is a CDATA
    // section, whose brackets and quotes don't count.
    const bool mayBeCData = text.size() < kCDataStart.size();
    if (mayBeCData)
      window = window.substr(0, kCDataStart.size() - text.size());
    std::size_t i = 0;
    bool closed = false;
    for (; i < window.size(); ++i) {
      if (TagEnd::Matters(window[i]) && end.Closes(window[i])) {
        closed = true;
        break;
      }
    }
    text.append(window.substr(0, i));
    input.Consume(closed ? i + 1 : i);
    if (closed)
      return;
    if (mayBeCData && text == kCDataStart) {
      const std::string section = ReadCData(input);
      text.append(section.data(), section.size());
      return;
    }
  }
}

void ReadTagInto(XMLInput& input, XMLTag& tag) {
  tag.isEmpty = tag.isEnd = false;
  input.SkipWhiteSpace();
  input.Take();
  if (input.Peek() == '/') {
    tag.isEnd = true;
    input.Take();
  }
  ReadTagTextInto(input, tag.text);
  if (tag.text.ends_with('?') || tag.text.starts_with('!'))
    tag.isEmpty = true;
  if (tag.text.ends_with('/')) {
    tag.text.pop_back();
    tag.isEmpty = true;
  }
}

}  // namespace

std::string ReadTagText(XMLInput& input) {
  std::string text;
  ReadTagTextInto(input, text);
  return text;
}

XMLTag ReadTag(XMLInput& input) {
  XMLTag tag;
  ReadTagInto(input, tag);
  return tag;
}

namespace {

void DecodeEntitiesInPlace(std::string& text) {
  auto needsWork = [](char c) { return c == '&' || static_cast<unsigned char>(c) >= 0xC0; };
  std::size_t in =
      static_cast<std::size_t>(std::find_if(text.begin(), text.end(), needsWork) - text.begin());
  // Decoding never lengthens the text, so it is done in place, from the
  // first byte that needs it.
  std::size_t out = in;
  const std::string_view source(text);
  while (in < text.size()) {
    const char c = text[in];
    if (c == '&') {
      auto row = std::find_if(kEntityTable.begin(), kEntityTable.end(), [&](const Entity& e) {
        return source.substr(in).starts_with(e.text);
      });
      if (row != kEntityTable.end()) {
        text[out++] = row->character;
        in += row->text.size();
        continue;
      }
    }
    if (static_cast<unsigned char>(c) < 0xC0)
      text[out++] = c;
    ++in;
  }
  text.resize(out);
}

}  // namespace

std::string DecodeEntities(std::string text) {
  DecodeEntitiesInPlace(text);
  return text;
}

namespace {

// SplitTag for a tag's text held anywhere (it may be element's own name).
void SplitTagText(CXMLVar& element, std::string_view text) {
  if (text.starts_with('!')) {
    element.m_strValue = text;
    element.m_strName = "!";
    return;
  }
  // Only a space (or, without one, a tab) separates the name; a line break
  // stays part of it.
  std::size_t cut = text.find(' ');
  if (cut == std::string_view::npos)
    cut = text.find('\t');
  if (cut == std::string_view::npos || cut == 0) {
    element.m_strName = text;
    return;
  }
  element.ParseAttributes(text.substr(cut + 1));
  element.m_strName = text.substr(0, cut);
}

}  // namespace

void CXMLVar::SplitTag() {
  SplitTagText(*this, m_strName);
}

std::size_t CXMLVar::ParseAttributes(std::string_view text) {
  if (text.empty())
    return 0;
  const std::size_t size = text.size();
  auto skipSpace = [&](std::size_t at) {
    while (at < size && IsXmlSpace(text[at]))
      ++at;
    return at;
  };
  // Gathered first and added at once: a tag may carry a million attributes.
  std::vector<AttributeMap::value_type> pairs;
  std::string decoded;
  std::size_t at = skipSpace(0);
  while (at < size) {
    // A name runs to the next '=' whatever its length; a name without '=',
    // or with nothing after it, is dropped.
    std::size_t equals = text.find('=', at);
    std::string_view name =
        text.substr(at, equals == std::string_view::npos ? size - at : equals - at);
    while (!name.empty() && IsXmlSpace(name.back()))
      name.remove_suffix(1);
    at = equals == std::string_view::npos ? size : equals + 1;
    if (at >= size)
      break;
    at = skipSpace(at);
    // An instruction's closing "?" is no attribute.
    if (name == "?")
      break;
    char closing = ' ';
    if (at < size && (text[at] == '"' || text[at] == '\''))
      closing = text[at++];
    std::size_t close = text.find(closing, at);
    std::string_view value =
        text.substr(at, close == std::string_view::npos ? size - at : close - at);
    at = close == std::string_view::npos ? size : close + 1;
    decoded.assign(value);
    DecodeEntitiesInPlace(decoded);
    pairs.emplace_back(name, decoded);
    if (at >= size)
      break;
    at = skipSpace(at);
  }
  m_Attributes.insert_or_assign_all(std::move(pairs));
  return m_Attributes.size();
}

void CXMLVar::ParseDocument(std::istream& stream) {
  Parse(stream, true);
}

namespace {

// The element's value: the text up to its first tag, decoded unless the
// element says its content is base64 ("T", exactly).
void ReadLeadingValue(CXMLVar& element, XMLInput& input, std::string& text) {
  ReadTextInto(input, text);
  auto base64 = element.m_Attributes.find("base64");
  if (base64 == element.m_Attributes.end() || base64->second != "T")
    DecodeEntitiesInPlace(text);
  element.m_strValue = text;
}

// The prolog: instructions and "!" tags up to the document element's start
// tag, which is read into root. Only a stylesheet instruction leaves a trace.
void ReadProlog(CXMLVar& root, XMLInput& input, XMLTag& tag) {
  for (;;) {
    ReadTagInto(input, tag);
    SplitTagText(root, tag.text);
    if (root.m_strName.starts_with('?')) {
      if (root.m_strName == "?xml-stylesheet")
        root.SetStylesheet(root.GetAttribute("href"));
      root.m_Attributes.clear();
      continue;
    }
    if (root.m_strName.starts_with('!'))
      continue;
    return;
  }
}

}  // namespace

void CXMLVar::Parse(std::istream& stream, bool isDocument) {
  XMLInput input(stream);
  XMLTag tag;
  std::string text;
  if (isDocument) {
    input.SkipPrefix(kUtf8ByteOrderMark);
    ReadProlog(*this, input, tag);
  }
  // The element being filled is the innermost open one; an end tag, whatever
  // its name, closes it and hands the text after it to its parent. Elements
  // still open when the input ends stay as read so far.
  CXMLVar* open = this;
  ReadLeadingValue(*open, input, text);
  while (!input.AtEnd()) {
    ReadTagInto(input, tag);
    if (tag.isEnd) {
      CXMLVar* parent = open->m_pParent;
      if (parent != nullptr) {
        ReadTextInto(input, text);
        parent->AddText(text);
      }
      if (open == this)
        return;
      open = parent;
      continue;
    }
    // A value that is more than white space moves into a first "#text" child
    // once the element turns out to have children.
    if (!IsBlank(open->m_strValue)) {
      open->AddText(open->m_strValue);
      open->m_strValue.clear();
    }
    auto child = std::make_unique<CXMLVar>();
    SplitTagText(*child, tag.text);
    CXMLVar* added = open->AddChild(std::move(child));
    if (tag.isEmpty) {
      ReadTextInto(input, text);
      open->AddText(text);
    } else {
      open = added;
      ReadLeadingValue(*open, input, text);
    }
  }
}

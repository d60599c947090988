#include "xml/reader.h"

#include <algorithm>
#include <array>
#include <string_view>

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

std::string ReadText(XMLInput& input) {
  std::string text;
  for (;;) {
    std::string_view window = input.Window();
    if (window.empty())
      return text;
    std::size_t stop = window.find('<');
    text.append(window.substr(0, stop));
    if (stop != std::string_view::npos) {
      input.Consume(stop);
      return text;
    }
    input.Consume(window.size());
  }
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

std::string ReadTagText(XMLInput& input) {
  std::string text;
  TagEnd end;
  for (;;) {
    std::string_view window = input.Window();
    if (window.empty())
      return text;
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
      return text;
    if (mayBeCData && text == kCDataStart) {
      const std::string section = ReadCData(input);
      text.append(section.data(), section.size());
      return text;
    }
  }
}

XMLTag ReadTag(XMLInput& input) {
  XMLTag tag;
  input.SkipWhiteSpace();
  input.Take();
  if (input.Peek() == '/') {
    tag.isEnd = true;
    input.Take();
  }
  tag.text = ReadTagText(input);
  if (tag.text.ends_with('?') || tag.text.starts_with('!'))
    tag.isEmpty = true;
  if (tag.text.ends_with('/')) {
    tag.text.pop_back();
    tag.isEmpty = true;
  }
  return tag;
}

std::string DecodeEntities(std::string text) {
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
  return text;
}

void CXMLVar::SplitTag() {
  if (m_strName.starts_with('!')) {
    m_strValue = std::move(m_strName);
    m_strName.assign(1, '!');
    return;
  }
  // Only a space (or, without one, a tab) separates the name; a line break
  // stays part of it.
  std::size_t cut = m_strName.find(' ');
  if (cut == std::string::npos)
    cut = m_strName.find('\t');
  if (cut == std::string::npos || cut == 0)
    return;
  ParseAttributes(std::string_view(m_strName).substr(cut + 1));
  m_strName.resize(cut);
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
    SetAttribute(std::string(name), DecodeEntities(std::string(value)));
    if (at >= size)
      break;
    at = skipSpace(at);
  }
  return m_Attributes.size();
}

void CXMLVar::ParseDocument(std::istream& stream) {
  Parse(stream, true);
}

namespace {

// The element's value: the text up to its first tag, decoded unless the
// element says its content is base64 ("T", exactly).
void ReadLeadingValue(CXMLVar& element, XMLInput& input) {
  element.m_strValue = ReadText(input);
  auto base64 = element.m_Attributes.find("base64");
  if (base64 == element.m_Attributes.end() || base64->second != "T")
    element.m_strValue = DecodeEntities(std::move(element.m_strValue));
}

// The prolog: instructions and "!" tags up to the document element's start
// tag, which is read into root. Only a stylesheet instruction leaves a trace.
void ReadProlog(CXMLVar& root, XMLInput& input) {
  for (;;) {
    root.m_strName = ReadTag(input).text;
    root.SplitTag();
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
  if (isDocument) {
    input.SkipPrefix(kUtf8ByteOrderMark);
    ReadProlog(*this, input);
  }
  // The element being filled is the innermost open one; an end tag, whatever
  // its name, closes it and hands the text after it to its parent. Elements
  // still open when the input ends stay as read so far.
  CXMLVar* open = this;
  ReadLeadingValue(*open, input);
  while (!input.AtEnd()) {
    XMLTag tag = ReadTag(input);
    if (tag.isEnd) {
      CXMLVar* parent = open->m_pParent;
      if (parent != nullptr)
        parent->AddText(ReadText(input));
      if (open == this)
        return;
      open = parent;
      continue;
    }
    // A value that is more than white space moves into a first "#text" child
    // once the element turns out to have children.
    if (!IsBlank(open->m_strValue)) {
      open->AddText(std::move(open->m_strValue));
      open->m_strValue.clear();
    }
    auto child = std::make_unique<CXMLVar>(std::move(tag.text));
    child->SplitTag();
    CXMLVar* added = open->AddChild(std::move(child));
    if (tag.isEmpty) {
      open->AddText(ReadText(input));
    } else {
      open = added;
      ReadLeadingValue(*open, input);
    }
  }
}

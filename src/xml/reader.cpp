#include "xml/reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xml/byte_scan.h"
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

// The reader's steps hand out their texts as views: of the input's own bytes
// when the text lies within one window (nearly always), else of a buffer of
// the reader's that collects it across windows. A view stays valid until the
// input is next read from.
std::string_view ReadTextView(XMLInput& input, std::string& spill) {
  std::string_view window = input.Window();
  std::size_t stop = window.find('<');
  if (stop != std::string_view::npos) {
    input.Consume(stop);
    return window.substr(0, stop);
  }
  spill.assign(window);
  input.Consume(window.size());
  for (;;) {
    window = input.Window();
    if (window.empty())
      return spill;
    stop = window.find('<');
    spill.append(window.substr(0, stop));
    if (stop != std::string_view::npos) {
      input.Consume(stop);
      return spill;
    }
    input.Consume(window.size());
  }
}

void ReadTextInto(XMLInput& input, std::string& text) {
  const std::string_view view = ReadTextView(input, text);
  if (view.data() != text.data())
    text.assign(view);
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

// Most tags are a name and attributes closed by a '>' in the window: their
// text is a view of the input. A text that begins with '!' (it may be a
// CDATA section), holds a '<' outside quotes, or runs past the window is read
// step by step into `spill`.
std::string_view ReadTagTextView(XMLInput& input, std::string& spill) {
  const std::string_view window = input.Window();
  if (!window.empty() && window[0] != '!') {
    bool inQuotes = false;
    for (std::size_t i = 0;; ++i) {
      const std::size_t mark = byte_scan::FirstTagMark(window.substr(i));
      if (mark == std::string_view::npos)
        break;
      i += mark;
      if (window[i] == '"') {
        inQuotes = !inQuotes;
      } else if (!inQuotes) {
        if (window[i] == '<')
          break;
        input.Consume(i + 1);
        return window.substr(0, i);
      }
    }
  }
  ReadTagTextInto(input, spill);
  return spill;
}

// XMLTag with its text as a view (see ReadTextView).
struct TagView {
  std::string_view text;
  bool isEmpty = false;
  bool isEnd = false;
};

void ReadTagView(XMLInput& input, std::string& spill, TagView& tag) {
  tag.isEmpty = tag.isEnd = false;
  input.SkipWhiteSpace();
  input.Take();
  if (input.Peek() == '/') {
    tag.isEnd = true;
    input.Take();
  }
  tag.text = ReadTagTextView(input, spill);
  if (tag.text.ends_with('?') || tag.text.starts_with('!'))
    tag.isEmpty = true;
  if (tag.text.ends_with('/')) {
    tag.text.remove_suffix(1);
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
  std::string spill;
  TagView view;
  ReadTagView(input, spill, view);
  return {std::string(view.text), view.isEmpty, view.isEnd};
}

namespace {

// Decodes text in place from `in`, the first byte that needs it: decoding
// never lengthens a text. The runs between such bytes move whole.
void DecodeEntitiesFrom(std::string& text, std::size_t in) {
  char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t out = in;
  while (in < size) {
    const std::string_view rest(data + in, size - in);
    if (rest[0] == '&') {
      auto row = std::find_if(kEntityTable.begin(), kEntityTable.end(),
                              [&](const Entity& e) { return rest.starts_with(e.text); });
      if (row != kEntityTable.end()) {
        data[out++] = row->character;
        in += row->text.size();
      } else {
        data[out++] = '&';
        ++in;
      }
    } else {
      // A byte from 0xC0 up is dropped.
      ++in;
    }
    const std::size_t run = std::min(byte_scan::FirstToDecode({data + in, size - in}), size - in);
    std::memmove(data + out, data + in, run);
    out += run;
    in += run;
  }
  text.resize(out);
}

void DecodeEntitiesInPlace(std::string& text) {
  const std::size_t first = byte_scan::FirstToDecode(text);
  if (first != std::string_view::npos)
    DecodeEntitiesFrom(text, first);
}

// `text` decoded; `scratch` holds it when it needs decoding (and must not be
// what `text` views).
CompactText Decoded(std::string_view text, std::string& scratch) {
  const std::size_t first = byte_scan::FirstToDecode(text);
  if (first == std::string_view::npos)
    return CompactText(text);
  scratch.assign(text);
  DecodeEntitiesFrom(scratch, first);
  return CompactText(scratch);
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
  std::size_t cut = std::string_view::npos;
  std::size_t tab = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') {
      cut = i;
      break;
    }
    if (text[i] == '\t' && tab == std::string_view::npos)
      tab = i;
  }
  if (cut == std::string_view::npos)
    cut = tab;
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
  // A tag's few attributes are gathered here and added in one go; past that
  // many, in a list that is sorted once: a tag may carry a million.
  constexpr std::size_t kFew = 8;
  std::array<AttributeMap::value_type, kFew> few;
  std::size_t fewCount = 0;
  std::vector<AttributeMap::value_type> many;
  std::string scratch;
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
    AttributeMap::value_type pair(name, Decoded(value, scratch));
    if (fewCount < kFew && many.empty()) {
      few[fewCount++] = std::move(pair);
    } else {
      if (many.empty())
        many.assign(std::make_move_iterator(few.begin()), std::make_move_iterator(few.end()));
      many.push_back(std::move(pair));
    }
    if (at >= size)
      break;
    at = skipSpace(at);
  }
  if (!many.empty())
    m_Attributes.insert_or_assign_all(std::move(many));
  else
    m_Attributes.insert_or_assign_all(std::span(few.data(), fewCount));
  return m_Attributes.size();
}

void CXMLVar::ParseDocument(std::istream& stream) {
  Parse(stream, true);
}

namespace {

// What the reader reuses from one node to the next: the texts that run
// across windows, and room to decode in.
struct ReaderBuffers {
  std::string tag;
  std::string text;
  std::string decoded;
};

// The element's value: the text up to its first tag, decoded unless the
// element says its content is base64 ("T", exactly).
void ReadLeadingValue(CXMLVar& element, XMLInput& input, ReaderBuffers& buffers) {
  const std::string_view text = ReadTextView(input, buffers.text);
  if (!element.m_Attributes.empty()) {
    auto base64 = element.m_Attributes.find("base64");
    if (base64 != element.m_Attributes.end() && base64->second == "T") {
      element.m_strValue = text;
      return;
    }
  }
  element.m_strValue = Decoded(text, buffers.decoded);
}

// The prolog: instructions and "!" tags up to the document element's start
// tag, which is read into root. Only a stylesheet instruction leaves a trace.
void ReadProlog(CXMLVar& root, XMLInput& input, ReaderBuffers& buffers) {
  TagView tag;
  for (;;) {
    ReadTagView(input, buffers.tag, tag);
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
  ReaderBuffers buffers;
  if (isDocument) {
    input.SkipPrefix(kUtf8ByteOrderMark);
    ReadProlog(*this, input, buffers);
  }
  // The element being filled is the innermost open one; an end tag, whatever
  // its name, closes it and hands the text after it to its parent. Elements
  // still open when the input ends stay as read so far.
  CXMLVar* open = this;
  ReadLeadingValue(*open, input, buffers);
  TagView tag;
  while (!input.AtEnd()) {
    ReadTagView(input, buffers.tag, tag);
    if (tag.isEnd) {
      CXMLVar* parent = open->m_pParent;
      if (parent != nullptr)
        parent->AddText(ReadTextView(input, buffers.text));
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
      open->AddText(ReadTextView(input, buffers.text));
    } else {
      open = added;
      ReadLeadingValue(*open, input, buffers);
    }
  }
}

// ostrel-xmltree FILE: reads FILE as the updater reads its catalogue (a text
// stream, ParseDocument into a root with the empty name) and prints the tree,
// one line per node, parents first:
//
//   <two spaces per depth><name>#<ordinal>[ name="value"]...[ = "value"]
//
// Past depth 200 the indentation would outgrow any tree (it grows with the
// square of the depth: a 600 kB file nested deeply printed 20 GB of blanks),
// so a deeper line starts with its depth in brackets instead: "[201] a#0".
// Attributes come in name order; the value part only when the value is not
// empty. An element's instruction nodes follow its own line, one level
// deeper, newest first, each name preceded by "~". Inside double quotes a
// backslash, a double quote, CR, LF and TAB are written \\ \" \r \n \t, any
// other byte outside 0x20..0x7E as \xHH. Names are written as they stand.
//
// Exit status 0; 2 with a message on stderr when FILE can't be opened.
// --help prints the usage and this format.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "xml/text_input_file.h"
#include "xml/xml_var.h"

namespace {

void AppendQuoted(std::string& line, const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  line += '"';
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\':
        line += "\\\\";
        break;
      case '"':
        line += "\\\"";
        break;
      case '\r':
        line += "\\r";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\t':
        line += "\\t";
        break;
      default:
        if (byte >= 0x20 && byte <= 0x7E) {
          line += c;
        } else {
          line += "\\x";
          line += kHex[byte >> 4];
          line += kHex[byte & 0x0F];
        }
    }
  }
  line += '"';
}

constexpr std::size_t kDeepestIndented = 200;

constexpr char kUsage[] =
    "usage: ostrel-xmltree FILE\n"
    "Prints the element tree the updater reads from FILE, one line per node:\n"
    "  <two spaces per depth><name>#<ordinal>[ name=\"value\"]...[ = \"value\"]\n"
    "Instruction nodes follow their element, one level deeper, marked \"~\".\n"
    "Lines deeper than 200 levels start with \"[depth] \" instead of blanks.\n";

void AppendNodeLine(std::string& line, const CXMLVar& node, std::size_t depth, bool instruction) {
  if (depth <= kDeepestIndented) {
    line.assign(depth * 2, ' ');
  } else {
    // Appended piece by piece: GCC 12 at -O3 takes "[" + ... for an overlapping copy.
    line.assign(1, '[');
    line += std::to_string(depth);
    line += "] ";
  }
  if (instruction)
    line += '~';
  line += node.m_strName;
  line += '#';
  line += std::to_string(node.Ordinal());
  for (const auto& [name, value] : node.m_Attributes) {
    line += ' ';
    line += name;
    line += '=';
    AppendQuoted(line, value);
  }
  if (!node.m_strValue.empty()) {
    line += " = ";
    AppendQuoted(line, node.m_strValue);
  }
  line += '\n';
}

// Pre-order with an explicit stack: a catalogue may nest deeper than the
// call stack would allow.
void PrintTree(const CXMLVar& root, std::FILE* out) {
  struct Pending {
    const CXMLVar* node;
    std::size_t depth;
    bool instruction;
  };
  std::vector<Pending> pending{{&root, 0, false}};
  std::string line;
  while (!pending.empty()) {
    const Pending next = pending.back();
    pending.pop_back();
    AppendNodeLine(line, *next.node, next.depth, next.instruction);
    std::fwrite(line.data(), 1, line.size(), out);
    // Reversed once pushed, so that instructions come out first, then
    // children, each in list order.
    const std::size_t pushed = pending.size();
    for (const CXMLVar* node : next.node->Instructions())
      pending.push_back({node, next.depth + 1, true});
    for (const CXMLVar* child : next.node->Children())
      pending.push_back({child, next.depth + 1, false});
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(pushed), pending.end());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  TextInputFile stream(argv[1]);
  if (!stream.is_open()) {
    std::fprintf(stderr, "ostrel-xmltree: cannot open %s: %s\n", argv[1], std::strerror(errno));
    return 2;
  }
  CXMLVar root("");
  root.ParseDocument(stream);
  PrintTree(root, stdout);
  return 0;
}

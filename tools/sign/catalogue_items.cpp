#include "catalogue_items.h"

#include <algorithm>

namespace {

struct Tag {
  enum Kind { Start, End, Empty, Other } kind = Other;
  std::string name;
  std::size_t begin = 0;  // at "<"
  std::size_t end = 0;    // after ">"
};

// The markup that starts at `at` (a "<"); nullopt when it never ends.
std::optional<Tag> ReadTag(std::string_view xml, std::size_t at) {
  Tag tag;
  tag.begin = at;
  for (const auto& [open, close] : {std::pair<std::string_view, std::string_view>{"<!--", "-->"},
                                    {"<![CDATA[", "]]>"},
                                    {"<?", "?>"}}) {
    if (xml.substr(at, open.size()) == open) {
      const std::size_t found = xml.find(close, at + open.size());
      if (found == std::string_view::npos)
        return std::nullopt;
      tag.end = found + close.size();
      return tag;
    }
  }
  char quote = 0;
  std::size_t i = at + 1;
  for (; i < xml.size(); ++i) {
    if (quote != 0) {
      if (xml[i] == quote)
        quote = 0;
    } else if (xml[i] == '"' || xml[i] == '\'') {
      quote = xml[i];
    } else if (xml[i] == '>') {
      break;
    }
  }
  if (i >= xml.size())
    return std::nullopt;
  tag.end = i + 1;
  if (xml[at + 1] == '!')
    return tag;
  const bool end = xml[at + 1] == '/';
  const std::size_t nameAt = at + (end ? 2 : 1);
  const std::size_t nameEnd = xml.find_first_of(" \t\r\n/>", nameAt);
  tag.name = std::string(xml.substr(nameAt, nameEnd - nameAt));
  tag.kind = end ? Tag::End : (xml[i - 1] == '/' ? Tag::Empty : Tag::Start);
  return tag;
}

}  // namespace

std::optional<std::vector<CatalogueItemSpan>> FindCatalogueItems(std::string_view xml,
                                                                 std::string& why) {
  std::vector<CatalogueItemSpan> items;
  std::vector<std::string> open;  // names of the elements we are in
  std::size_t contentAt = 0;      // after the start tag of the field we are in
  bool inDownloads = false;
  bool downloadsDone = false;
  for (std::size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at)) {
    const auto tag = ReadTag(xml, at);
    if (!tag) {
      why = "markup that never ends at byte " + std::to_string(at);
      return std::nullopt;
    }
    at = tag->end;
    const std::size_t depth = open.size();
    if (tag->kind == Tag::Start) {
      if (depth == 1 && tag->name == "Downloads" && !downloadsDone)
        inDownloads = true;
      else if (inDownloads && depth == 2)
        items.emplace_back();
      contentAt = tag->end;
      open.push_back(tag->name);
    } else if (tag->kind == Tag::End) {
      if (open.empty() || open.back() != tag->name) {
        why = "an end tag </" + tag->name + "> that closes nothing open";
        return std::nullopt;
      }
      open.pop_back();
      if (inDownloads && depth == 4) {
        const std::string value(xml.substr(contentAt, tag->begin - contentAt));
        if (tag->name == "href" && items.back().href.empty())
          items.back().href = value;
        if (tag->name == "Sha256" && items.back().sha256Fields++ == 0) {
          items.back().sha256 = value;
          items.back().sha256At = contentAt;
        }
      } else if (inDownloads && depth == 3) {
        items.back().endTagAt = tag->begin;
      } else if (inDownloads && depth == 2) {
        inDownloads = false;
        downloadsDone = true;
      }
    } else if (tag->kind == Tag::Empty && inDownloads && depth == 2) {
      why = "an empty item <" + tag->name + "/>";
      return std::nullopt;
    }
  }
  if (!open.empty()) {
    why = "<" + open.back() + "> is never closed";
    return std::nullopt;
  }
  if (!downloadsDone) {
    why = "no Downloads element under the document element";
    return std::nullopt;
  }
  return items;
}

std::string WithDigests(std::string_view xml, const std::vector<CatalogueItemSpan>& items,
                        const std::vector<std::string>& digests) {
  std::string result(xml);
  // From the last item back, so that earlier offsets stay true.
  for (std::size_t i = items.size(); i-- > 0;) {
    const CatalogueItemSpan& item = items[i];
    if (item.sha256) {
      result.replace(item.sha256At, item.sha256->size(), digests[i]);
      continue;
    }
    const std::string field = "<Sha256>" + digests[i] + "</Sha256>";
    // The end tag on a line of its own: the new field gets a line of its own
    // too, indented as the field line above it.
    const std::string_view before = std::string_view(result).substr(0, item.endTagAt);
    const std::size_t lineAt = before.find_last_of('\n') + 1;  // npos + 1 is 0
    if (lineAt == 0 || before.find_first_not_of(" \t", lineAt) != std::string_view::npos) {
      result.insert(item.endTagAt, field);
      continue;
    }
    const std::string eol = before.substr(0, lineAt).ends_with("\r\n") ? "\r\n" : "\n";
    const std::size_t previousAt = before.find_last_of('\n', lineAt - 2) + 1;
    const std::size_t indentEnd = before.find_first_not_of(" \t", previousAt);
    const std::string indent(before.substr(previousAt, std::min(indentEnd, lineAt) - previousAt));
    result.insert(lineAt, indent + field + eol);
  }
  return result;
}

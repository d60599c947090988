// Where the items of a catalogue's "Downloads" element lie in its bytes, so
// that the publisher's tool can fill in their digests and leave every other
// byte as it was.
//
// Reads the usual shape of a catalogue: a document element whose first
// "Downloads" child holds one element per item, whose fields are child
// elements with plain text. Comments, processing instructions, CDATA and
// attributes are stepped over. Pure functions; any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CatalogueItemSpan {
  // The "href" field's text, as written.
  std::string href;
  // Where the item's end tag ("</Item>") starts.
  std::size_t endTagAt = 0;
  // The first "Sha256" field's text and where it lies, when the item has
  // one; the updater reads the first one too.
  std::optional<std::string> sha256;
  std::size_t sha256At = 0;
  // How many "Sha256" fields the item has.
  std::size_t sha256Fields = 0;
};

// The items in document order; nullopt (and `why`) when the text is not a
// catalogue this tool can edit.
std::optional<std::vector<CatalogueItemSpan>> FindCatalogueItems(std::string_view xml,
                                                                 std::string& why);

// The catalogue with each item's digest put in: the text of an existing
// "Sha256" field replaced, or a new field added as the item's last, on a line
// of its own when the item's fields are on lines of their own. `digests`
// holds one text per item.
std::string WithDigests(std::string_view xml, const std::vector<CatalogueItemSpan>& items,
                        const std::vector<std::string>& digests);

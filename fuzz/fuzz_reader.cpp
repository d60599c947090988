// Any bytes as a document: reading must neither crash nor hang, the bytes
// read in place a few at a time must give the same tree as the bytes copied
// out of a string stream, and whatever tree comes out must copy, walk and
// survive the archive round trip.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "trickle_buffer.h"
#include "xml/archive.h"
#include "xml/xml_var.h"

namespace {

std::string Store(CXMLVar& element) {
  std::ostringstream out;
  TreeArchive archive(out);
  element.Serialize(archive);
  return out.str();
}

void CheckParents(CXMLVar* element, void*) {
  for (const auto& child : element->Children()) {
    if (child->Parent() != element)
      std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::istringstream in(bytes);
  CXMLVar root("");
  root.ParseDocument(in);
  root.Traverse(CheckParents, nullptr);

  const std::string stored = Store(root);
  TrickleBuffer trickle(bytes);
  std::istream scanned(&trickle);
  CXMLVar inPlace("");
  inPlace.ParseDocument(scanned);
  if (Store(inPlace) != stored)
    std::abort();

  std::istringstream back(stored);
  TreeArchive loading(back);
  CXMLVar loaded;
  loaded.Serialize(loading);
  if (loading.Failed() || Store(loaded) != stored)
    std::abort();

  // A copy drops attributes, so compare it with a copy of the copy.
  auto copy = root.Clone();
  if (Store(*copy) != Store(*copy->Clone()))
    std::abort();
  return 0;
}

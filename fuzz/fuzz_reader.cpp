// Any bytes as a document: reading must neither crash nor hang, and whatever
// tree comes out must copy, walk and survive the archive round trip.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

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
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  CXMLVar root("");
  root.ParseDocument(in);
  root.Traverse(CheckParents, nullptr);

  const std::string stored = Store(root);
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

// Any bytes as an archive: loading must fail cleanly or yield a tree that
// stores and loads back to the same bytes.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  TreeArchive archive(in);
  CXMLVar element("before", "value");
  element.Serialize(archive);
  if (archive.Failed()) {
    if (element.m_strName != "before" || element.m_strValue != "value")
      std::abort();
    return 0;
  }
  const std::string stored = Store(element);
  std::istringstream back(stored);
  TreeArchive again(back);
  CXMLVar reloaded;
  reloaded.Serialize(again);
  if (again.Failed() || Store(reloaded) != stored)
    std::abort();
  return 0;
}

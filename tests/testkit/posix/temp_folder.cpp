#include "testkit/temp_folder.h"

#include <stdlib.h>

#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

TempFolder::TempFolder(std::string_view stem) {
  std::string pattern = (fs::temp_directory_path() / stem).string() + "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot make a folder like " + pattern);
  m_path = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(m_path, ignored);
}

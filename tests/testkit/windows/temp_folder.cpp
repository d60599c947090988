// TempFolder on Windows, which has no mkdtemp: a random name, made only if it
// is not there yet (create_directory says which).
#include "testkit/temp_folder.h"

#include <random>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

TempFolder::TempFolder(std::string_view stem) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name(stem);
    for (int i = 0; i < 6; ++i)
      name += kLetters[pick(random)];
    const fs::path candidate = fs::temp_directory_path() / name;
    if (fs::create_directory(candidate)) {
      m_path = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot make a folder like " +
                           (fs::temp_directory_path() / stem).string());
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(m_path, ignored);
}

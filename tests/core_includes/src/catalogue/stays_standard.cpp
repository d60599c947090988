// Standard C++ only: the scan passes it by.
#include <ctime>
#include <filesystem>

bool IsFolder(const std::filesystem::path& path) {
  return std::filesystem::is_directory(path);
}

// A throw-away folder for one test or bench run: fresh under the system's
// temporary folder, named `stem` and six random characters, and removed with
// everything in it when the object goes. One thread at a time.
#pragma once

#include <filesystem>
#include <string_view>

class TempFolder {
 public:
  explicit TempFolder(std::string_view stem = "ostrel-test-");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

#include "testkit/temp_prefix.h"

#include <fstream>
#include <iterator>

#include "app/application.h"
#include "brand/skin.h"
#include "platform/host_path.h"
#include "support/log.h"
#include "support/settings.h"

namespace fs = std::filesystem;

void TempPrefix::StartProcessStateAfresh() {
  SetProfileName("ostrel.ini");
  EndProcessState();
}

void TempPrefix::EndProcessState() {
  RestartLog();
  ForgetSkin();
  ResetCommandLine();
}

fs::path TempPrefix::Host(const std::string& windowsPath) const {
  return platform::HostPath(windowsPath);
}

std::string TempPrefix::ReadFile(const std::string& windowsPath) const {
  return ReadHostFile(Host(windowsPath));
}

void TempPrefix::WriteFile(const std::string& windowsPath, const std::string& contents) const {
  const fs::path path = Host(windowsPath);
  fs::create_directories(path.parent_path());
  WriteHostFile(path, contents);
}

std::string ReadHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteHostFile(const fs::path& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
}

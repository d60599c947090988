#include "support/settings.h"

#include <mutex>

#include "platform/folders.h"
#include "platform/host_path.h"
#include "platform/profile_file.h"

namespace {

std::mutex g_nameMutex;
std::string g_profileName = "ostrel.ini";

platform::ProfileFile TheFile() {
  return platform::ProfileFile(ProfileHostPath());
}

}  // namespace

void SetProfileName(std::string_view name) {
  std::lock_guard lock(g_nameMutex);
  g_profileName = std::string(name);
}

std::string ProfileName() {
  std::lock_guard lock(g_nameMutex);
  return g_profileName;
}

std::string ProfileWindowsPath() {
  const std::string name = ProfileName();
  const bool bare = name.find_first_of("\\/:") == std::string::npos;
  return bare ? "c:\\windows\\" + name : name;
}

std::filesystem::path ProfileHostPath() {
  return platform::HostPath(ProfileWindowsPath());
}

std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view defaultValue) {
  return TheFile().ReadString(section, key, defaultValue);
}

std::uint32_t GetProfileInt(std::string_view section, std::string_view key,
                            std::int32_t defaultValue) {
  return TheFile().ReadInt(section, key, defaultValue);
}

std::vector<std::string> GetProfileStrings(std::string_view section,
                                           const std::vector<std::string>& keys,
                                           std::string_view defaultValue) {
  std::vector<std::string> values;
  values.reserve(keys.size());
  for (auto& value : TheFile().ReadMany(section, keys))
    values.push_back(value ? std::move(*value) : std::string(defaultValue));
  return values;
}

bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value) {
  return TheFile().Write(section, key, value);
}

std::string GetInstallFolder() {
  return GetProfileString("paths", "install", "c:\\ostrel");
}

std::string GetTempFolder() {
  const std::string folder = GetProfileString("paths", "temp", "c:\\temp");
  platform::MakeFolder(platform::HostPath(folder));
  return folder;
}

std::string FileInFolder(std::string_view folder, std::string_view name) {
  // A host path begins with one slash; "/\\srv" is a UNC path written oddly.
  const bool host = folder.starts_with('/') && !(folder.size() > 1 && folder[1] == '\\');
  std::string path(folder);
  const bool endsInSeparator =
      !path.empty() && (path.back() == '/' || (!host && path.back() == '\\'));
  if (!endsInSeparator)
    path += host ? '/' : '\\';
  path.append(name);
  return path;
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  if (from.empty())
    return text;
  std::size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
  return text;
}

std::string InstallersFolderDefault() {
  return ReplaceAll(GetProfileString("paths", "clientdir", ""), "clients", "installers");
}

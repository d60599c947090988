#include "support/updater_state.h"

#include <chrono>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_reader.h"
#include "platform/profile_file.h"
#include "platform/replacement_file.h"
#include "platform/state_folder.h"
#include "platform/temporary_files.h"

namespace fs = std::filesystem;

namespace {

constexpr char kHeader[] =
    "; ostrel-update's own records. The suite's settings are in c:\\windows\\ostrel.ini.\r\n";

// A run killed between writing and renaming leaves its temporary file; after
// this long it is nobody's.
constexpr std::chrono::minutes kStaleTemporary(10);

std::string PathText(const fs::path& path) {
  const std::u8string utf8 = path.u8string();
  return platform::Utf8ToCp1252(std::string(utf8.begin(), utf8.end()));
}

// Makes the folder and any missing parent, each for this user alone, as the
// XDG rules ask of the state folders.
bool MakeFolders(const fs::path& folder, std::error_code& ec) {
  std::vector<fs::path> missing;
  for (fs::path at = folder; !at.empty() && !fs::exists(at, ec); at = at.parent_path()) {
    if (ec)
      return false;
    missing.push_back(at);
    if (at == at.parent_path())
      break;
  }
  if (ec)
    return false;
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!fs::create_directory(*it, ec) && ec)
      return false;
    fs::permissions(*it, fs::perms::owner_all, fs::perm_options::replace, ec);
    ec.clear();
  }
  if (!fs::is_directory(folder, ec)) {
    if (!ec)
      ec = std::make_error_code(std::errc::not_a_directory);
    return false;
  }
  return true;
}

}  // namespace

UpdaterState UpdaterState::Here() {
  return UpdaterState(platform::UpdaterStateFile());
}

UpdaterState::UpdaterState(std::optional<fs::path> file) : m_file(std::move(file)) {}

bool UpdaterState::Load() {
  m_loaded = false;
  m_text.clear();
  if (!m_file) {
    m_error = "there is no home folder to keep the updater's records in";
    return false;
  }
  std::error_code ec;
  if (fs::status(*m_file, ec).type() == fs::file_type::not_found) {
    m_text = kHeader;
    m_loaded = true;
    return true;
  }
  platform::FileReader reader(*m_file);
  char buffer[8192];
  while (reader.IsOpen()) {
    const auto got = reader.Read(buffer, sizeof buffer);
    if (!got)
      break;
    if (*got == 0) {
      m_loaded = true;
      return true;
    }
    m_text.append(buffer, *got);
  }
  m_text.clear();
  m_error = PathText(*m_file) + " cannot be read: " + reader.Error();
  return false;
}

std::optional<std::string> UpdaterState::Get(std::string_view section, std::string_view key) const {
  return platform::FindProfileValue(m_text, section, key);
}

bool UpdaterState::Set(std::string_view section, std::string_view key, std::string_view value) {
  if (!platform::IsWritableProfileEntry(section, key, value)) {
    m_error = "the record [" + std::string(section) + "] " + std::string(key).substr(0, 80) +
              " cannot be written";
    return false;
  }
  m_text = platform::WithProfileValue(m_text, section, key, value);
  return true;
}

bool UpdaterState::Save() {
  if (!m_loaded)
    return false;  // Error() says why since Load
  const fs::path folder = m_file->parent_path();
  std::error_code ec;
  if (!MakeFolders(folder, ec)) {
    m_error = "the folder " + PathText(folder) + " cannot be made: " + ec.message();
    return false;
  }
  platform::RemoveStaleTemporaries(folder, kStaleTemporary);
  platform::ReplacementFile file(*m_file);
  if (!file.Open() || !file.SetPermissions(0600) || !file.Write(m_text.data(), m_text.size()) ||
      !file.Sync() || !file.Commit()) {
    m_error = PathText(*m_file) + " cannot be written: " + file.Error();
    return false;
  }
  return true;
}

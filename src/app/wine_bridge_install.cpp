#include "app/wine_bridge_install.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <ostream>
#include <system_error>

#include "platform/host_path.h"
#include "platform/replacement_file.h"
#include "support/settings.h"
#include "wine_bridge/bridge_text.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultInstallFolder = "c:\\ostrel";
// Runs under Wine, which needs no execute bit, but a copy that a shell lists
// should look like the program it is.
constexpr unsigned kProgramPermissions = 0755;

bool ReadWhole(const fs::path& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Whether the file at `path` is a copy that this command made.
bool IsOurCopy(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec))
    return false;
  const auto size = fs::file_size(path, ec);
  if (ec)
    return false;
  const auto tailSize = std::min<std::uintmax_t>(size, BRIDGE_LONGEST_TRAILER);
  std::string tail(static_cast<std::size_t>(tailSize), '\0');
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(size - tailSize));
  if (!in.read(tail.data(), static_cast<std::streamsize>(tail.size())))
    return false;
  const unsigned char* named = nullptr;
  return bridge_trailer_path(reinterpret_cast<const unsigned char*>(tail.data()), tail.size(),
                             &named) > 0;
}

bool IsWinePrefix(const fs::path& prefix) {
  std::error_code ec;
  return fs::is_directory(prefix / "dosdevices", ec) || fs::is_directory(prefix / "drive_c", ec);
}

}  // namespace

std::string WineBridgeTrailer(std::string_view nativeUpdater) {
  if (nativeUpdater.empty() || nativeUpdater.size() > BRIDGE_LONGEST_PATH ||
      nativeUpdater.find('\0') != std::string_view::npos)
    return {};
  std::string trailer(nativeUpdater);
  for (int shift = 0; shift < 8 * BRIDGE_LENGTH_SIZE; shift += 8)
    trailer += static_cast<char>((nativeUpdater.size() >> shift) & 0xFF);
  trailer.append(BRIDGE_TRAILER_MARK, BRIDGE_TRAILER_MARK_SIZE);
  return trailer;
}

int InstallWineBridge(const WineBridgeFiles& files, std::ostream& out, std::ostream& err) {
  const fs::path prefix = platform::PrefixFolder();
  if (!IsWinePrefix(prefix)) {
    err << "ostrel-update: " << prefix.string()
        << " is not a Wine prefix; make it with wineboot, or name the suite's prefix with "
           "WINEPREFIX or OSTREL_PREFIX\n";
    return 1;
  }
  std::string program;
  if (!ReadWhole(files.bridgeProgram, program)) {
    err << "ostrel-update: " << files.bridgeProgram.string()
        << " cannot be read; it comes with ostrel-update's package\n";
    return 1;
  }
  const std::string trailer = WineBridgeTrailer(files.nativeUpdater.string());
  if (trailer.empty()) {
    err << "ostrel-update: no bridge can name " << files.nativeUpdater.string() << "\n";
    return 1;
  }

  SetProfileName("ostrel.ini");
  std::string folder = GetInstallFolder();
  if (folder.empty())
    folder = kDefaultInstallFolder;
  const std::string windowsPath = FileInFolder(folder, "update.exe");
  const fs::path target = platform::HostPath(windowsPath);
  const std::string where = windowsPath + " (" + target.string() + ")";
  std::error_code ec;
  if (fs::exists(fs::symlink_status(target, ec)) && !IsOurCopy(target)) {
    err << "ostrel-update: " << where
        << " is not ostrel-update's bridge, and stays as it is; move it away to install the "
           "bridge there\n";
    return 1;
  }

  fs::create_directories(target.parent_path(), ec);
  platform::ReplacementFile copy(target);
  if (!copy.Open() || !copy.Write(program.data(), program.size()) ||
      !copy.Write(trailer.data(), trailer.size()) || !copy.SetPermissions(kProgramPermissions) ||
      !copy.Commit()) {
    err << "ostrel-update: " << where << " could not be written: " << copy.Error() << "\n";
    return 1;
  }
  out << "Installed " << where << ": the suite's programs in " << prefix.string() << " now start "
      << files.nativeUpdater.string() << "\n";
  return 0;
}

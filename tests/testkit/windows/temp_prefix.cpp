// TempPrefix on Windows, where the suite's paths are the machine's own: the
// C: drive is the one of the Wine prefix this test program runs in, a
// throw-away copy made for it alone (tests/windows/run_in_prefix). A test starts from that
// drive as it was and leaves it so: whatever a test adds at the top of C:\ or
// in C:\windows (the settings file, c:\temp, c:\ostrel...) goes with it.
// Outside Wine this would be someone's real C: drive, so it refuses to run.
#include "testkit/temp_prefix.h"

#include <windows.h>

#include <set>
#include <stdexcept>

#include "app/application.h"
#include "brand/skin.h"
#include "platform/state_folder.h"
#include "support/log.h"
#include "support/settings.h"

namespace fs = std::filesystem;

namespace {

const fs::path kWatched[] = {"C:\\", "C:\\windows"};

bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::set<fs::path> Entries() {
  std::set<fs::path> entries;
  for (const fs::path& folder : kWatched)
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
      entries.insert(entry.path());
  return entries;
}

// The updater's own records live beside its lock, outside the watched
// folders: they start afresh with each test, as a new user's would.
void ForgetUpdaterState() {
  std::error_code ignored;
  if (const auto state = platform::UpdaterStateFile())
    fs::remove(*state, ignored);
}

}  // namespace

TempPrefix::TempPrefix() : m_folder("ostrel-test-") {
  if (!UnderWine())
    throw std::runtime_error("the tests change C:\\ and run only in a throw-away Wine prefix");
  m_driveAtStart = Entries();
  ForgetUpdaterState();
  StartProcessStateAfresh();
}

TempPrefix::~TempPrefix() {
  EndProcessState();
  // The process may stand in a folder that goes.
  std::error_code ignored;
  fs::current_path(Root(), ignored);
  for (const fs::path& entry : Entries())
    if (!m_driveAtStart.contains(entry))
      fs::remove_all(entry, ignored);
  ForgetUpdaterState();
}

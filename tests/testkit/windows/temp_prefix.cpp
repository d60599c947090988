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

constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Ostrel\\Update";

// In the 64-bit view, where the updater reads it (RegDeleteTreeW alone would
// take the caller's view).
void ForgetMachinePolicy() {
  HKEY parent = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Policies\\Ostrel", 0,
                    KEY_ALL_ACCESS | KEY_WOW64_64KEY, &parent) != ERROR_SUCCESS)
    return;
  RegDeleteTreeW(parent, L"Update");
  RegCloseKey(parent);
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
  ForgetMachinePolicy();
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
  ForgetMachinePolicy();
}

void TempPrefix::SetMachinePolicy(const std::vector<MachinePolicyEntry>& entries) const {
  ForgetMachinePolicy();
  for (const MachinePolicyEntry& entry : entries) {
    std::wstring path = kPolicyKey;
    if (entry.section != "Update")
      path += L"\\" + std::wstring(entry.section.begin(), entry.section.end());
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr) != ERROR_SUCCESS)
      throw std::runtime_error("the policy key cannot be made");
    const std::wstring name(entry.name.begin(), entry.name.end());
    const bool number =
        !entry.value.empty() && entry.value.find_first_not_of("0123456789") == std::string::npos;
    if (number) {
      const DWORD data = std::stoul(entry.value);
      RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                     sizeof data);
    } else {
      const std::wstring data(entry.value.begin(), entry.value.end());
      RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
  }
}

#include "platform/machine_policy.h"

#include <cstring>
#include <mutex>
#include <vector>

#include "wide_text.h"

namespace platform {

namespace {

constexpr wchar_t kCatalogueUrlsKey[] = L"CatalogueUrls";

std::mutex gLocationMutex;
MachinePolicyLocation gLocation{"Software\\Policies\\Ostrel\\Update", 0};

std::string Location() {
  std::lock_guard lock(gLocationMutex);
  return gLocation.where;
}

// Every string and DWORD value of `key` as profile lines of `section`; other
// types (binary, multi-string) mean nothing here and are left out.
std::string SectionOf(HKEY key, const char* section) {
  std::string text = std::string("[") + section + "]\r\n";
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(64 * 1024);
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataLength = static_cast<DWORD>(data.size());
    DWORD type = 0;
    const LONG status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                                      data.data(), &dataLength);
    if (status == ERROR_NO_MORE_ITEMS)
      break;
    if (status != ERROR_SUCCESS)
      continue;  // too long for a policy value
    std::string value;
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && dataLength % sizeof(wchar_t) == 0) {
      std::wstring wide(reinterpret_cast<const wchar_t*>(data.data()),
                        dataLength / sizeof(wchar_t));
      while (!wide.empty() && wide.back() == L'\0')
        wide.pop_back();
      value = Cp1252FromWide(wide);
    } else if (type == REG_DWORD && dataLength == sizeof(DWORD)) {
      DWORD number = 0;
      std::memcpy(&number, data.data(), sizeof number);
      value = std::to_string(number);
    } else {
      continue;
    }
    // A line break would end the profile line early and start another.
    if (value.find_first_of("\r\n") != std::string::npos)
      continue;
    text += Cp1252FromWide(std::wstring_view(name.data(), nameLength)) + "=" + value + "\r\n";
  }
  return text;
}

}  // namespace

void UseMachinePolicyLocationForTests(const MachinePolicyLocation& location) {
  std::lock_guard lock(gLocationMutex);
  gLocation = location;
}

MachinePolicyReading ReadMachinePolicy() {
  const std::string where = Location();
  MachinePolicyReading reading;
  HKEY key = nullptr;
  const REGSAM access = KEY_READ | KEY_WOW64_64KEY;
  const LONG status =
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, WideFromCp1252(where).c_str(), 0, access, &key);
  if (status == ERROR_FILE_NOT_FOUND)
    return reading;
  if (status != ERROR_SUCCESS) {
    reading.ignored = "the machine policy HKLM\\" + where + " is ignored: it cannot be opened (" +
                      SystemErrorText(status) + ")";
    return reading;
  }
  reading.text = SectionOf(key, "Update");
  HKEY urls = nullptr;
  if (RegOpenKeyExW(key, kCatalogueUrlsKey, 0, access, &urls) == ERROR_SUCCESS) {
    reading.text += SectionOf(urls, "CatalogueUrls");
    RegCloseKey(urls);
  }
  RegCloseKey(key);
  return reading;
}

}  // namespace platform

#include "testkit/loopback_proxy.h"

#ifdef _WIN32
#include <windows.h>

#include "testkit/windows/windows_text.h"
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "testkit/child_process.h"
#include "testkit/host.h"
#include "testkit/loopback_server.h"
#include "testkit/temp_prefix.h"
#include "testkit/wait_until.h"

namespace fs = std::filesystem;

namespace {

// openssl passwd -apr1 -salt ostrel01 Gr3y-Heron
constexpr char kPasswordHash[] = "$apr1$ostrel01$W4M.3APjrtXY9IjyNnv6F0";
// Generous: the machine is shared with builds.
constexpr auto kStartLimit = std::chrono::seconds(60);
constexpr auto kStopLimit = std::chrono::seconds(20);

#ifdef _WIN32
constexpr wchar_t kInternetSettings[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

std::optional<std::string> SettingValue(const std::string& name) {
  DWORD type = 0;
  DWORD number = 0;
  DWORD size = sizeof number;
  const std::wstring wideName = Wide(name);
  if (RegGetValueW(HKEY_CURRENT_USER, kInternetSettings, wideName.c_str(), RRF_RT_REG_DWORD, &type,
                   &number, &size) == ERROR_SUCCESS)
    return std::to_string(number);
  wchar_t text[512] = {};
  size = sizeof text - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CURRENT_USER, kInternetSettings, wideName.c_str(), RRF_RT_REG_SZ, &type,
                   text, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return Narrow(text);
}

// ProxyEnable is a number, ProxyServer a text; nullopt takes the value out.
void SetSetting(const std::string& name, const std::optional<std::string>& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot change the Internet settings");
  const std::wstring wideName = Wide(name);
  if (!value) {
    RegDeleteValueW(key, wideName.c_str());
  } else if (name == "ProxyEnable") {
    const DWORD number = static_cast<DWORD>(std::stoul(*value));
    RegSetValueExW(key, wideName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
  } else {
    const std::wstring text = Wide(*value);
    RegSetValueExW(key, wideName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(key);
}
#else
std::optional<std::string> SettingValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void SetSetting(const std::string& name, const std::optional<std::string>& value) {
  if (value)
    SetEnvironment(name.c_str(), value->c_str());
  else
    UnsetEnvironment(name.c_str());
}
#endif

}  // namespace

LoopbackProxy::LoopbackProxy() {
  m_port = UnusedLoopbackPort();
  Start();
  RouteThroughProxy();
}

LoopbackProxy::~LoopbackProxy() {
  RestoreRoute();
  WriteHostFile(m_work.Path() / "stop", "");
  if (m_script)
    m_script->Wait(kStopLimit);
  else
    WaitUntil([&] { return fs::exists(m_work.Path() / "stopped"); }, kStopLimit);
}

void LoopbackProxy::Start() {
#ifdef _WIN32
  const std::string work = UnixPathUnderWine(m_work.Path());
#else
  const std::string work = m_work.Path().string();
#endif
  const std::vector<std::string> args = {OSTREL_PROXY_SCRIPT, work, std::to_string(m_port), kUser,
                                         kPasswordHash};
#ifdef _WIN32
  // The script says when it has stopped.
  std::vector<std::string> command = {"/bin/bash"};
  command.insert(command.end(), args.begin(), args.end());
  StartUnixProgram(command, false, "squid");
#else
  m_script = std::make_unique<ChildProcess>("/bin/bash", args);
#endif
  const fs::path ready = m_work.Path() / "ready";
  const fs::path stopped = m_work.Path() / "stopped";
  if (!WaitUntil([&] { return fs::exists(ready) || fs::exists(stopped); }, kStartLimit) ||
      !fs::exists(ready)) {
    WriteHostFile(m_work.Path() / "stop", "");
    throw std::runtime_error("squid did not start: " + ReadHostFile(m_work.Path() / "squid.log"));
  }
}

void LoopbackProxy::RouteThroughProxy() {
#ifdef _WIN32
  const std::vector<std::pair<std::string, std::optional<std::string>>> route = {
      {"ProxyEnable", "1"}, {"ProxyServer", Site()}, {"ProxyOverride", std::nullopt}};
#else
  const std::vector<std::pair<std::string, std::optional<std::string>>> route = {
      {"http_proxy", "http://" + Site()}, {"no_proxy", std::nullopt}, {"NO_PROXY", std::nullopt}};
#endif
  for (const auto& [name, value] : route) {
    m_saved.emplace_back(name, SettingValue(name));
    SetSetting(name, value);
  }
}

void LoopbackProxy::RestoreRoute() {
  for (const auto& [name, value] : m_saved)
    SetSetting(name, value);
  m_saved.clear();
}

// A real HTTP proxy on loopback that asks for a login: Debian's squid with a
// Basic login checked by its basic_ncsa_auth helper, started for one test
// (tests/testkit/loopback_proxy.sh), caching nothing.
//
// While the object lives, this process's transfers go through it, as a user's
// would: on Linux http_proxy names it (and no_proxy is empty), on Windows the
// user's Internet settings do (ProxyEnable, ProxyServer). The constructor
// returns once the proxy answers; the destructor stops it and puts the
// settings back. Test thread only; one at a time.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "testkit/temp_folder.h"

class ChildProcess;

class LoopbackProxy {
 public:
  // The login the proxy takes.
  static constexpr char kUser[] = "payroll";
  static constexpr char kPassword[] = "Gr3y-Heron";

  LoopbackProxy();
  ~LoopbackProxy();
  LoopbackProxy(const LoopbackProxy&) = delete;
  LoopbackProxy& operator=(const LoopbackProxy&) = delete;

  int Port() const { return m_port; }
  // "127.0.0.1:PORT"
  std::string Site() const { return "127.0.0.1:" + std::to_string(m_port); }

 private:
  void Start();
  void RouteThroughProxy();
  void RestoreRoute();

  TempFolder m_work{"ostrel-proxy-"};
  int m_port = 0;
  // Linux: the script's process; on Windows Wine gives none to wait on.
  std::unique_ptr<ChildProcess> m_script;
  // The settings RouteThroughProxy changed, as they were (nullopt: absent).
  std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

// The catalogue-server tool (tools/catalogue-server/) as a real process on loopback, for one test.
//
// The constructor starts it on a port the system picks and returns once it
// listens; the destructor stops it. It serves a folder (a fresh one of its
// own unless given), writes every request it receives to a log that
// Requests() reads back, and offers the scripted faults of its /-/ paths
// (see `catalogue-server --help`). Not thread-safe; one per test.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "testkit/child_process.h"
#include "testkit/temp_folder.h"

class LoopbackServer {
 public:
  struct Options {
    // The folder to serve; empty: a fresh folder that goes with the server.
    std::filesystem::path root{};
    // Any loopback address; another one (127.0.0.2) stands for another host.
    std::string bind = "127.0.0.1";
    // More arguments for the server, such as {"--auth", "u:p"}.
    std::vector<std::string> extraArgs{};
  };

  // One request as the server received it.
  struct Request {
    std::string method;
    std::string path;
    std::string peer;  // "127.0.0.1:40312": one per connection
    std::vector<std::pair<std::string, std::string>> headers;

    // The value of a header (name matched without regard to case); empty when absent.
    std::string Header(std::string_view name) const;
    bool HasHeader(std::string_view name) const;

   private:
    const std::string* Find(std::string_view name) const;
  };

  LoopbackServer();
  explicit LoopbackServer(Options options);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return m_port; }
  // "http://127.0.0.1:PORT/"
  std::string BaseUrl() const;
  // BaseUrl() followed by `path` (without its leading slash).
  std::string Url(std::string_view path) const;
  const std::filesystem::path& Root() const { return m_root; }
  // Writes a file under the served folder.
  void AddFile(const std::string& relativePath, const std::string& contents) const;

  // Every request received so far, in order.
  std::vector<Request> Requests() const;

 private:
  // Each system's: the server's path for a file, starting it with these
  // arguments, whether it has ended, and stopping it.
  static std::string ServerPath(const std::filesystem::path& path);
  void StartServer(const std::vector<std::string>& args);
  bool ServerEnded();
  void StopServer();

  TempFolder m_work{"ostrel-server-"};  // port file, request log, own root
  std::filesystem::path m_root;
  std::string m_bind;
  std::optional<ChildProcess> m_server;
  int m_port = 0;
};

// A loopback port on which nothing listens (bound, then closed again).
int UnusedLoopbackPort();

// The bytes the server generates for /-/bytes/N and friends, from `offset` on.
std::string GeneratedBytes(std::size_t size, std::size_t offset = 0);

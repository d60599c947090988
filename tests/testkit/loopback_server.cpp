// What is the same on every system: the server's arguments, waiting for it to
// listen, its addresses, its files and its request log. Starting and stopping
// it is each system's (posix/, windows/loopback_server_process.cpp).
#include "testkit/loopback_server.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "testkit/temp_prefix.h"
#include "testkit/wait_until.h"

namespace fs = std::filesystem;

namespace {

// Generous: the machine is shared with builds.
constexpr auto kStartLimit = std::chrono::seconds(60);

}  // namespace

LoopbackServer::LoopbackServer() : LoopbackServer(Options{}) {}

LoopbackServer::LoopbackServer(Options options) : m_root(options.root), m_bind(options.bind) {
  if (m_root.empty()) {
    m_root = m_work.Path() / "root";
    fs::create_directories(m_root);
  }
  const fs::path portFile = m_work.Path() / "port";
  std::vector<std::string> args = {
      "--root",      ServerPath(m_root),   "--bind", m_bind,
      "--port-file", ServerPath(portFile), "--log",  ServerPath(m_work.Path() / "requests.log")};
  args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
  StartServer(args);

  WaitUntil(
      [&] {
        std::ifstream(portFile) >> m_port;
        return m_port != 0 || ServerEnded();
      },
      kStartLimit);
  if (m_port == 0) {
    const bool ended = ServerEnded();
    StopServer();
    throw std::runtime_error(ended ? "the loopback server ended at start"
                                   : "the loopback server did not start listening");
  }
}

LoopbackServer::~LoopbackServer() {
  StopServer();
}

std::string LoopbackServer::BaseUrl() const {
  return "http://" + m_bind + ":" + std::to_string(m_port) + "/";
}

std::string LoopbackServer::Url(std::string_view path) const {
  if (!path.empty() && path.front() == '/')
    path.remove_prefix(1);
  return BaseUrl() + std::string(path);
}

void LoopbackServer::AddFile(const std::string& relativePath, const std::string& contents) const {
  const fs::path path = m_root / relativePath;
  fs::create_directories(path.parent_path());
  WriteHostFile(path, contents);
}

std::vector<LoopbackServer::Request> LoopbackServer::Requests() const {
  std::vector<Request> requests;
  std::istringstream log(ReadHostFile(m_work.Path() / "requests.log"));
  std::string line;
  while (std::getline(log, line)) {
    if (line.empty())
      continue;
    // "GET /path HTTP/1.1 from 127.0.0.1:40312", then "Name: value" lines up
    // to a blank line.
    Request request;
    std::istringstream first(line);
    std::string version, from;
    first >> request.method >> request.path >> version >> from >> request.peer;
    while (std::getline(log, line) && !line.empty()) {
      const auto colon = line.find(": ");
      if (colon != std::string::npos)
        request.headers.emplace_back(line.substr(0, colon), line.substr(colon + 2));
    }
    requests.push_back(std::move(request));
  }
  return requests;
}

const std::string* LoopbackServer::Request::Find(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    const auto same = [](unsigned char a, unsigned char b) {
      return std::tolower(a) == std::tolower(b);
    };
    if (std::equal(key.begin(), key.end(), name.begin(), name.end(), same))
      return &value;
  }
  return nullptr;
}

std::string LoopbackServer::Request::Header(std::string_view name) const {
  const std::string* value = Find(name);
  return value != nullptr ? *value : std::string();
}

bool LoopbackServer::Request::HasHeader(std::string_view name) const {
  return Find(name) != nullptr;
}

std::string GeneratedBytes(std::size_t size, std::size_t offset) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((offset + i) % 251);
  return bytes;
}

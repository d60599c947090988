#include "testkit/loopback_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "testkit/temp_prefix.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Generous: the machine is shared with builds.
constexpr auto kStartLimit = std::chrono::seconds(60);

fs::path MakeWorkFolder() {
  std::string pattern = (fs::temp_directory_path() / "ostrel-server-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("mkdtemp failed");
  return pattern;
}

}  // namespace

LoopbackServer::LoopbackServer() : LoopbackServer(Options{}) {}

LoopbackServer::LoopbackServer(Options options)
    : m_work(MakeWorkFolder()), m_root(options.root), m_bind(options.bind) {
  if (m_root.empty()) {
    m_root = m_work / "root";
    fs::create_directories(m_root);
  }
  const fs::path portFile = m_work / "port";
  std::vector<std::string> args = {OSTREL_CATALOGUE_SERVER,
                                   "--root",
                                   m_root.string(),
                                   "--bind",
                                   m_bind,
                                   "--port-file",
                                   portFile.string(),
                                   "--log",
                                   (m_work / "requests.log").string()};
  args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
  std::vector<char*> argv;
  for (std::string& arg : args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const int failed = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    m_pid = -1;
    Stop();
    throw std::runtime_error("cannot start " + args[0]);
  }

  const auto limit = std::chrono::steady_clock::now() + kStartLimit;
  while (m_port == 0) {
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
      m_pid = -1;
      Stop();
      throw std::runtime_error("the loopback server ended at start");
    }
    std::ifstream(portFile) >> m_port;
    if (m_port == 0) {
      if (std::chrono::steady_clock::now() > limit) {
        Stop();
        throw std::runtime_error("the loopback server did not start listening");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
}

LoopbackServer::~LoopbackServer() {
  Stop();
}

void LoopbackServer::Stop() {
  if (m_pid > 0) {
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
  }
  std::error_code ignored;
  fs::remove_all(m_work, ignored);
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
  std::istringstream log(ReadHostFile(m_work / "requests.log"));
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
    if (key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0)
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

int UnusedLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

std::string GeneratedBytes(std::size_t size, std::size_t offset) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((offset + i) % 251);
  return bytes;
}

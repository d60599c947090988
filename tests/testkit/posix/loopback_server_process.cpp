#include "testkit/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <stdexcept>

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
      "--root",      m_root.string(),   "--bind", m_bind,
      "--port-file", portFile.string(), "--log",  (m_work.Path() / "requests.log").string()};
  args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
  // What the server says about its own failures belongs in the test's output.
  ChildProcess::Options streams;
  streams.errors.clear();
  m_server.emplace(OSTREL_CATALOGUE_SERVER, args, streams);

  WaitUntil(
      [&] {
        if (m_server->Wait(std::chrono::milliseconds(0)))
          return true;
        std::ifstream(portFile) >> m_port;
        return m_port != 0;
      },
      kStartLimit);
  if (m_port == 0) {
    const bool ended = m_server->Wait(std::chrono::milliseconds(0)).has_value();
    m_server.reset();
    throw std::runtime_error(ended ? "the loopback server ended at start"
                                   : "the loopback server did not start listening");
  }
}

LoopbackServer::~LoopbackServer() {
  if (m_server)
    m_server->Stop(SIGTERM);
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

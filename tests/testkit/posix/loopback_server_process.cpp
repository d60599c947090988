#include "testkit/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>

namespace fs = std::filesystem;

std::string LoopbackServer::ServerPath(const fs::path& path) {
  return path.string();
}

void LoopbackServer::StartServer(const std::vector<std::string>& args) {
  // What the server says about its own failures belongs in the test's output.
  ChildProcess::Options streams;
  streams.errors.clear();
  m_server.emplace(OSTREL_CATALOGUE_SERVER, args, streams);
}

bool LoopbackServer::ServerEnded() {
  return m_server->Wait(std::chrono::milliseconds(0)).has_value();
}

// A server that never listened may be stuck: it is killed outright.
void LoopbackServer::StopServer() {
  if (m_server && m_port != 0)
    m_server->Stop(SIGTERM);
  m_server.reset();
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

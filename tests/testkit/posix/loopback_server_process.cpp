#include "testkit/loopback_server.h"

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

// A socket bound to port 0 on 127.0.0.1 is given a port the system chooses;
// closed again, that port is one on which nothing listens. Each system's
// socket calls come from its own socket_calls.h.
#include "socket_calls.h"
#include "testkit/loopback_server.h"

int UnusedLoopbackPort() {
  // Started for the calls below where the system needs it started.
  [[maybe_unused]] const testkit::SocketLibrary library;
  const testkit::Socket probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(probe, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  testkit::CloseSocket(probe);
  return ntohs(address.sin_port);
}

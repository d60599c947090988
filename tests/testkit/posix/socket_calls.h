// The BSD socket calls as this system has them: nothing to start first, and a
// socket is a file descriptor, closed as any other.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testkit {

using Socket = int;

struct SocketLibrary {};

inline void CloseSocket(Socket socket) {
  close(socket);
}

}  // namespace testkit

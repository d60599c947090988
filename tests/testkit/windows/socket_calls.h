// The BSD socket calls as Winsock has them: the library is started around
// their use, a socket is a SOCKET handle and closesocket ends it.
#pragma once

// Before windows.h, which would bring the older winsock.h.
#include <winsock2.h>
#include <ws2tcpip.h>

namespace testkit {

using Socket = SOCKET;

class SocketLibrary {
 public:
  SocketLibrary() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~SocketLibrary() { WSACleanup(); }
  SocketLibrary(const SocketLibrary&) = delete;
  SocketLibrary& operator=(const SocketLibrary&) = delete;
};

inline void CloseSocket(Socket socket) {
  closesocket(socket);
}

}  // namespace testkit

// The catalogue server itself, spoken to over raw sockets: what it promises
// the other tests (the request log as sent, the served-files rules, how a
// scripted fault ends its connection).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "testkit/loopback_server.h"
#include "testkit/temp_prefix.h"

namespace fs = std::filesystem;

namespace {

// One client connection to the server, with a receive timeout so that a
// fault in the server fails the test instead of hanging it.
class RawClient {
 public:
  explicit RawClient(int port) : m_socket(socket(AF_INET, SOCK_STREAM, 0)) {
    timeval limit{20, 0};
    setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
      throw std::runtime_error("cannot connect");
  }
  ~RawClient() { close(m_socket); }

  void Send(const std::string& text) const {
    ASSERT_EQ(send(m_socket, text.data(), text.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(text.size()));
  }

  // Reads until `size` bytes arrived or the connection ended; `ending` tells
  // how: 0 for an orderly close, else the error (ECONNRESET for a reset).
  std::string Receive(std::size_t size, int* ending = nullptr) const {
    std::string received;
    char buffer[65536];
    while (received.size() < size) {
      const ssize_t got = recv(m_socket, buffer, sizeof buffer, 0);
      if (got <= 0) {
        if (ending != nullptr)
          *ending = got == 0 ? 0 : errno;
        break;
      }
      received.append(buffer, static_cast<std::size_t>(got));
    }
    return received;
  }

  // One whole answer (its head and its body; no body for a HEAD request).
  std::pair<std::string, std::string> Answer(bool forHead = false) const {
    std::string head;
    while (head.find("\r\n\r\n") == std::string::npos) {
      const std::string more = Receive(1);
      if (more.empty())
        return {head, ""};
      head += more;
    }
    const auto end = head.find("\r\n\r\n") + 4;
    std::string body = head.substr(end);
    head.erase(end);
    const auto length = head.find("Content-Length: ");
    const std::size_t size = length == std::string::npos ? 0 : std::stoul(head.substr(length + 16));
    if (!forHead && body.size() < size)
      body += Receive(size - body.size());
    return {head, body};
  }

 private:
  int m_socket;
};

std::string Get(const std::string& path, const std::string& method = "GET") {
  return method + " " + path + " HTTP/1.1\r\nHost: x\r\n\r\n";
}

int StatusOf(const std::string& head) {
  return head.size() > 12 ? std::stoi(head.substr(9, 3)) : 0;
}

TEST(CatalogueServer, LogsEachRequestAsSentAndKeepsTheConnectionForTheNext) {
  LoopbackServer server;
  server.AddFile("a.txt", "hello");
  RawClient client(server.Port());
  client.Send(
      "GET /a.txt?x=%41 HTTP/1.1\r\nhost: here\r\nZ-Last: 1\r\nA-First:  two words\r\n\r\n");
  EXPECT_EQ(client.Answer().second, "hello");
  client.Send(Get("/-/bytes/3", "HEAD"));
  const auto [head, body] = client.Answer(true);
  EXPECT_EQ(body, "");
  EXPECT_NE(head.find("Content-Length: 3\r\n"), std::string::npos);

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].path, "/a.txt?x=%41");
  EXPECT_EQ(requests[0].headers, (std::vector<std::pair<std::string, std::string>>{
                                     {"host", "here"}, {"Z-Last", "1"}, {"A-First", "two words"}}));
  EXPECT_EQ(requests[1].method, "HEAD");
  EXPECT_EQ(requests[1].peer, requests[0].peer);
}

TEST(CatalogueServer, ServesOnlyFilesInsideItsRoot) {
  TempPrefix prefix;
  const fs::path outside = prefix.Host("c:\\outside.txt");
  fs::create_directories(outside.parent_path());
  WriteHostFile(outside, "secret");
  LoopbackServer server;
  server.AddFile("sub/inside.txt", "inside");
  fs::create_symlink(outside, server.Root() / "link.txt");

  RawClient client(server.Port());
  client.Send(Get("/sub/%69nside.txt"));
  EXPECT_EQ(client.Answer().second, "inside");
  for (const std::string path :
       {"/sub", "/", "/../outside.txt", "/sub/%2e%2e/%2e%2e/outside.txt", "/link.txt",
        "/sub/inside.txt%00.exe", "/missing.txt", "/-/nothing", "/-/bytes/-1", "/-/status/x"}) {
    SCOPED_TRACE(path);
    client.Send(Get(path));
    EXPECT_EQ(StatusOf(client.Answer().first), 404);
  }
}

TEST(CatalogueServer, ABrokenAnswerSendsHalfThenClosesOrResets) {
  LoopbackServer server;
  for (const auto& [kind, expected] : {std::pair{"short", 0}, std::pair{"drop", ECONNRESET}}) {
    SCOPED_TRACE(kind);
    RawClient client(server.Port());
    client.Send(Get(std::string("/-/") + kind + "/2000"));
    int ending = -1;
    const std::string answer = client.Receive(1'000'000, &ending);
    EXPECT_NE(answer.find("Content-Length: 2000\r\n"), std::string::npos);
    EXPECT_TRUE(answer.ends_with("\r\n\r\n" + GeneratedBytes(1000)));
    EXPECT_EQ(ending, expected);
  }
}

TEST(CatalogueServer, RefusesAnAddressOutsideLoopback) {
  EXPECT_THROW(LoopbackServer({.bind = "10.0.0.1"}), std::runtime_error);
  EXPECT_THROW(LoopbackServer({.extraArgs = {"--auth", "no-colon"}}), std::runtime_error);
}

}  // namespace

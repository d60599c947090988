#include "recording_server.h"

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

namespace {

// A client may wait this long between requests, or take this long to read an
// answer, before its connection is dropped.
constexpr std::chrono::seconds kIdleLimit{120};
constexpr std::chrono::seconds kWriteLimit{3600};
constexpr std::size_t kHeadLimit = 64 * 1024;
constexpr std::size_t kReceiveSize = 16 * 1024;
// How long a connection that is to be reset waits for its client to take
// what was sent.
constexpr std::chrono::seconds kDrainLimit{60};

thread_local Connection* t_current = nullptr;

// Each connection on a thread of its own, so that any number of stalled or
// endless answers never keep another client waiting.
class ThreadPerConnection final : public httplib::TaskQueue {
 public:
  void enqueue(std::function<void()> serve) override { std::thread(std::move(serve)).detach(); }
  void shutdown() override {}
};

std::string AddressText(const sockaddr_storage& address, int& port) {
  char text[INET6_ADDRSTRLEN] = "";
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    port = ntohs(v4.sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    port = ntohs(v6.sin6_port);
  }
  return text;
}

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
    line.remove_suffix(1);
  return line;
}

}  // namespace

Connection::Connection(int socket, std::chrono::seconds readLimit, std::chrono::seconds writeLimit)
    : m_socket(socket), m_readLimit(readLimit), m_writeLimit(writeLimit) {}

Connection& Connection::Current() {
  return *t_current;
}

std::string Connection::Target() const {
  const auto first = m_requestLine.find_first_of(" \t");
  if (first == std::string::npos)
    return {};
  const auto start = m_requestLine.find_first_not_of(" \t", first);
  if (start == std::string::npos)
    return {};
  const auto end = m_requestLine.find_first_of(" \t", start);
  return m_requestLine.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string Connection::Peer() const {
  std::string ip;
  int port = 0;
  get_remote_ip_and_port(ip, port);
  return ip + ":" + std::to_string(port);
}

void Connection::WaitForClient(std::chrono::seconds limit) const {
  pollfd watched{m_socket, POLLIN | POLLRDHUP, 0};
  while (poll(&watched, 1, static_cast<int>(limit.count() * 1000)) < 0 && errno == EINTR) {
  }
}

void Connection::StartRequest() {
  m_received.clear();
  m_requestLine.clear();
  m_headers.clear();
}

void Connection::TakeHead() {
  std::string_view rest = m_received;
  bool first = true;
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    const std::string_view line =
        WithoutLineEnd(rest.substr(0, end == std::string_view::npos ? rest.size() : end + 1));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (first) {
      m_requestLine = line;
      first = false;
      continue;
    }
    if (line.empty())
      break;
    const auto colon = line.find(':');
    if (colon == std::string_view::npos)
      continue;
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
      value.remove_prefix(1);
    m_headers.emplace_back(line.substr(0, colon), value);
  }
  m_received.clear();
}

bool Connection::WaitFor(short events, std::chrono::milliseconds limit) const {
  pollfd watched{m_socket, events, 0};
  int ready = 0;
  while ((ready = poll(&watched, 1, static_cast<int>(limit.count()))) < 0 && errno == EINTR) {
  }
  return ready > 0 && (watched.revents & (events | POLLHUP)) != 0;
}

bool Connection::is_readable() const {
  return m_bufferAt < m_buffer.size() || WaitFor(POLLIN, m_readLimit);
}

bool Connection::is_writable() const {
  return WaitFor(POLLOUT, m_writeLimit);
}

ssize_t Connection::read(char* ptr, size_t size) {
  if (m_bufferAt == m_buffer.size()) {
    m_buffer.resize(kReceiveSize);
    m_bufferAt = 0;
    ssize_t received = -1;
    if (WaitFor(POLLIN, m_readLimit)) {
      while ((received = recv(m_socket, m_buffer.data(), m_buffer.size(), 0)) < 0 &&
             errno == EINTR) {
      }
    }
    m_buffer.resize(received > 0 ? static_cast<std::size_t>(received) : 0);
    if (received <= 0)
      return received < 0 ? -1 : 0;
  }
  const std::size_t taken = std::min(size, m_buffer.size() - m_bufferAt);
  std::memcpy(ptr, m_buffer.data() + m_bufferAt, taken);
  m_bufferAt += taken;
  if (m_received.size() < kHeadLimit)
    m_received.append(ptr, taken);
  return static_cast<ssize_t>(taken);
}

ssize_t Connection::write(const char* ptr, size_t size) {
  std::size_t sent = 0;
  while (sent < size) {
    if (!WaitFor(POLLOUT, m_writeLimit))
      return -1;
    const ssize_t now = send(m_socket, ptr + sent, size - sent, MSG_NOSIGNAL);
    if (now < 0 && errno == EINTR)
      continue;
    if (now <= 0)
      return -1;
    sent += static_cast<std::size_t>(now);
  }
  return static_cast<ssize_t>(sent);
}

void Connection::get_remote_ip_and_port(std::string& ip, int& port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  port = 0;
  ip = getpeername(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0
           ? AddressText(address, port)
           : std::string();
}

void Connection::get_local_ip_and_port(std::string& ip, int& port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  port = 0;
  ip = getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0
           ? AddressText(address, port)
           : std::string();
}

bool RequestLog::Open(const std::string& path) {
  m_file = std::fopen(path.c_str(), "a");
  return m_file != nullptr;
}

RequestLog::~RequestLog() {
  if (m_file != nullptr)
    std::fclose(m_file);
}

void RequestLog::Record(const Connection& connection) {
  std::string entry = connection.RequestLine() + " from " + connection.Peer() + "\n";
  for (const auto& [name, value] : connection.Headers())
    entry += name + ": " + value + "\n";
  entry += "\n";
  std::lock_guard lock(m_mutex);
  if (m_file == nullptr)
    return;
  std::fwrite(entry.data(), 1, entry.size(), m_file);
  std::fflush(m_file);
}

RecordingServer::RecordingServer(RequestLog& log) : m_log(log) {
  new_task_queue = [] { return new ThreadPerConnection; };
  set_keep_alive_max_count(1000);
  set_keep_alive_timeout(kIdleLimit.count());
  set_read_timeout(kIdleLimit.count());
  set_write_timeout(kWriteLimit.count());
  set_default_headers({{"Server", "catalogue-server"}});
}

bool RecordingServer::process_and_close_socket(int socket) {
  Connection connection(socket, kIdleLimit, kWriteLimit);
  t_current = &connection;
  bool served = true;
  for (std::size_t count = keep_alive_max_count_; count > 0 && connection.is_readable(); --count) {
    connection.StartRequest();
    bool closed = false;
    served = process_request(connection, count == 1, closed,
                             [this, &connection](httplib::Request& request) {
                               connection.TakeHead();
                               // Answers are always whole and as they stand: no ranges, no
                               // compression.
                               request.ranges.clear();
                               request.headers.erase("Accept-Encoding");
                               if (request.method == "GET" || request.method == "HEAD")
                                 m_log.Record(connection);
                             });
    if (!served || closed)
      break;
  }
  t_current = nullptr;
  if (connection.ResetsWhenClosed()) {
    // The bytes sent reach the client before the reset, which would throw
    // away what still waits in the send queue: a drop after N bytes delivers N.
    const auto until = std::chrono::steady_clock::now() + kDrainLimit;
    int unsent = 0;
    while (ioctl(socket, SIOCOUTQ, &unsent) == 0 && unsent > 0 &&
           std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const linger abortive{1, 0};
    setsockopt(socket, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
  } else {
    shutdown(socket, SHUT_WR);
  }
  close(socket);
  return served;
}

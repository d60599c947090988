// The loopback server's connection handling on top of cpp-httplib.
//
// RecordingServer runs every connection on a thread of its own (as many as
// clients open: a stalled answer holds its thread, never another client's),
// reads each request through a Connection that keeps the request's head as it
// arrived, and appends that head to the request log before the request is
// answered. The answers themselves are the handler's, set with
// set_pre_routing_handler(); a handler reaches its own connection through
// Connection::Current().
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

// One client's connection: a blocking socket with a read buffer. Used only by
// the thread that serves the connection.
class Connection final : public httplib::Stream {
 public:
  Connection(int socket, std::chrono::seconds readLimit, std::chrono::seconds writeLimit);

  // The connection whose request the calling thread is answering.
  static Connection& Current();

  // The request line exactly as received ("GET /x HTTP/1.1"), and the target in it.
  const std::string& RequestLine() const { return m_requestLine; }
  std::string Target() const;
  // The header lines of the request, in the order received.
  const std::vector<std::pair<std::string, std::string>>& Headers() const { return m_headers; }
  std::string Peer() const;

  // Ends the connection with a reset (RST) instead of an orderly close.
  void ResetWhenClosed() { m_reset = true; }
  bool ResetsWhenClosed() const { return m_reset; }
  // Waits, up to `limit`, until the client sends more or goes away.
  void WaitForClient(std::chrono::seconds limit) const;

  // Starts keeping the bytes of the next request; TakeHead() splits them into
  // the request line and header lines once the head has been read.
  void StartRequest();
  void TakeHead();

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  int socket() const override { return m_socket; }

 private:
  bool WaitFor(short events, std::chrono::milliseconds limit) const;

  int m_socket;
  std::chrono::seconds m_readLimit;
  std::chrono::seconds m_writeLimit;
  std::string m_buffer;  // received, not yet read
  std::size_t m_bufferAt = 0;
  std::string m_received;  // what the current request's reading took so far
  std::string m_requestLine;
  std::vector<std::pair<std::string, std::string>> m_headers;
  bool m_reset = false;
};

// The request log: each request's line, its header lines and a blank line,
// appended whole. Thread-safe.
class RequestLog {
 public:
  // Appends to `path`; no path: a log that keeps nothing.
  bool Open(const std::string& path);
  void Record(const Connection& connection);
  ~RequestLog();

 private:
  std::mutex m_mutex;
  std::FILE* m_file = nullptr;
};

class RecordingServer final : public httplib::Server {
 public:
  explicit RecordingServer(RequestLog& log);

 private:
  bool process_and_close_socket(int socket) override;

  RequestLog& m_log;
};

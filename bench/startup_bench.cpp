// Start-up bench: the time from process start to the main window shown with
// its list filled, for a 100-item catalogue served on loopback, against the
// anchor (a minimal wx program showing a window with a filled list) in the
// same run. The updater shows its window only once the initial update has
// filled the list, so "mapped on the X server" is the moment measured for
// both. Rounds alternate between the two; medians and their ratio are
// printed. Needs an X display (run under xvfb-run).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string Catalogue(int items) {
  std::string xml = "<?xml version=\"1.0\"?>\r\n<Catalogue><Downloads>";
  for (int i = 0; i < items; ++i) {
    xml += "<item><Description>Ostrel update " + std::to_string(i) +
           "</Description><href>http://127.0.0.1/setup" + std::to_string(i) +
           ".exe</href><Size>700</Size><Date>01/02/2024</Date><Version>5." + std::to_string(i) +
           "</Version><Info>upd" + std::to_string(i) + ".txt</Info><Notes>none</Notes></item>";
  }
  return xml + "</Downloads></Catalogue>\r\n";
}

// Answers every request on 127.0.0.1 with the catalogue.
class CatalogueServer {
 public:
  explicit CatalogueServer(std::string body) : m_body(std::move(body)) {
    m_socket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    listen(m_socket, 16);
    m_thread = std::thread([this] { Serve(); });
  }
  ~CatalogueServer() {
    m_stop = true;
    shutdown(m_socket, SHUT_RDWR);
    close(m_socket);
    m_thread.join();
  }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }

 private:
  void Serve() {
    while (!m_stop) {
      const int client = accept(m_socket, nullptr, nullptr);
      if (client < 0)
        continue;
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0)
          break;
        request.append(buffer, std::size_t(got));
      }
      const std::string response = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                                   std::to_string(m_body.size()) + "\r\nConnection: close\r\n\r\n" +
                                   m_body;
      for (std::size_t sent = 0; sent < response.size();) {
        const ssize_t put = send(client, response.data() + sent, response.size() - sent, 0);
        if (put <= 0)
          break;
        sent += std::size_t(put);
      }
      close(client);
    }
  }

  std::string m_body;
  int m_socket = -1;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

bool ViewableWindowNamed(Display* display, Window window, const std::string& title, int depth) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) && name != nullptr) {
    const bool same = title == name;
    XFree(name);
    XWindowAttributes attributes;
    if (same && XGetWindowAttributes(display, window, &attributes) &&
        attributes.map_state == IsViewable)
      return true;
  }
  if (depth == 0)
    return false;
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count))
    return false;
  bool found = false;
  for (unsigned i = 0; i < count && !found; ++i)
    found = ViewableWindowNamed(display, children[i], title, depth - 1);
  if (children != nullptr)
    XFree(children);
  return found;
}

// Seconds from spawning `argv` to a viewable window titled `title`; -1 when
// it did not appear within 30 s.
double TimeToWindow(Display* display, std::vector<std::string> argv, const std::string& title) {
  std::vector<char*> pointers;
  for (auto& argument : argv)
    pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, pointers[0], nullptr, nullptr, pointers.data(), environ) != 0)
    return -1;
  double seconds = -1;
  while (Clock::now() - start < std::chrono::seconds(30)) {
    if (ViewableWindowNamed(display, DefaultRootWindow(display), title, 3)) {
      seconds = std::chrono::duration<double>(Clock::now() - start).count();
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  return seconds;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::printf("startup_bench: no X display; run it under xvfb-run\n");
    return 0;
  }
  CatalogueServer server(Catalogue(100));
  char pattern[] = "/tmp/ostrel-bench-XXXXXX";
  const std::filesystem::path prefix = mkdtemp(pattern);
  setenv("OSTREL_PREFIX", prefix.c_str(), 1);
  setenv("OSTREL_CATALOGUE_URL", server.BaseUrl().c_str(), 1);

  std::vector<double> updater, anchor;
  for (int round = 0; round < rounds; ++round) {
    const double a =
        TimeToWindow(display, {OSTREL_ANCHOR_BINARY, "anchor - list"}, "anchor - list");
    const double u = TimeToWindow(display, {OSTREL_UPDATE_BINARY}, "Ostrel - update");
    if (a < 0 || u < 0) {
      std::printf("startup_bench: a window did not appear (anchor %.3f, updater %.3f)\n", a, u);
      return 1;
    }
    anchor.push_back(a);
    updater.push_back(u);
  }
  std::filesystem::remove_all(prefix);
  XCloseDisplay(display);

  const double anchorMedian = Median(anchor), updaterMedian = Median(updater);
  std::printf("start-up to a filled list, median of %d rounds\n", rounds);
  std::printf("  anchor (minimal wx list window): %7.1f ms\n", anchorMedian * 1000);
  std::printf("  ostrel-update, 100 items:        %7.1f ms\n", updaterMedian * 1000);
  std::printf("  ratio: %.2fx (goal < 1.5x)\n", updaterMedian / anchorMedian);
  return 0;
}

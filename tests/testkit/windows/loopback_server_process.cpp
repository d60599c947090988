// The catalogue server on Windows is the Linux program of a Linux build
// (OSTREL_CATALOGUE_SERVER), which Wine starts through CreateProcess as it
// would a Windows one, but without a process handle to wait on or end. So it
// runs under a small shell script that stops it, and says so, once the test's
// work folder holds "stop" or is gone; arguments that are paths go as Wine's
// Unix paths.
#include "testkit/loopback_server.h"

// Before windows.h, which would bring the older winsock.h.
#include <winsock2.h>

#include <windows.h>

#include <chrono>
#include <fstream>
#include <stdexcept>

#include "testkit/temp_prefix.h"
#include "testkit/wait_until.h"
#include "testkit/windows/windows_text.h"

namespace fs = std::filesystem;

namespace {

// Generous: the machine is shared with builds.
constexpr auto kStartLimit = std::chrono::seconds(60);
constexpr auto kStopLimit = std::chrono::seconds(20);

// $1 is the work folder; the rest is the server's command.
constexpr const char* kWatchScript = R"(work=$1
shift
"$@" &
server=$!
while [ -d "$work" ] && [ ! -e "$work/stop" ] && kill -0 $server 2>/dev/null; do
  sleep 0.05
done
kill $server 2>/dev/null
wait $server
[ -d "$work" ] && echo $? >"$work/stopped"
)";

}  // namespace

LoopbackServer::LoopbackServer() : LoopbackServer(Options{}) {}

LoopbackServer::LoopbackServer(Options options) : m_root(options.root), m_bind(options.bind) {
  if (m_root.empty()) {
    m_root = m_work.Path() / "root";
    fs::create_directories(m_root);
  }
  const fs::path portFile = m_work.Path() / "port";
  const fs::path script = m_work.Path() / "watch.sh";
  WriteHostFile(script, kWatchScript);
  std::vector<std::wstring> command = {L"/bin/sh",
                                       Wide(UnixPathUnderWine(script)),
                                       Wide(UnixPathUnderWine(m_work.Path())),
                                       Wide(OSTREL_CATALOGUE_SERVER),
                                       L"--root",
                                       Wide(UnixPathUnderWine(m_root)),
                                       L"--bind",
                                       Wide(m_bind),
                                       L"--port-file",
                                       Wide(UnixPathUnderWine(portFile)),
                                       L"--log",
                                       Wide(UnixPathUnderWine(m_work.Path() / "requests.log"))};
  for (const std::string& arg : options.extraArgs)
    command.push_back(Wide(arg));
  std::wstring commandLine = CommandLine(command);
  // What the server says about its own failures belongs in the test's output.
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &started))
    throw std::runtime_error("cannot start the loopback server under Wine");
  for (HANDLE handle : {started.hProcess, started.hThread})
    if (handle != nullptr)
      CloseHandle(handle);

  const fs::path stopped = m_work.Path() / "stopped";
  WaitUntil(
      [&] {
        std::ifstream(portFile) >> m_port;
        return m_port != 0 || fs::exists(stopped);
      },
      kStartLimit);
  if (m_port == 0) {
    const bool ended = fs::exists(stopped);
    WriteHostFile(m_work.Path() / "stop", "");
    throw std::runtime_error(ended ? "the loopback server ended at start"
                                   : "the loopback server did not start listening");
  }
}

LoopbackServer::~LoopbackServer() {
  WriteHostFile(m_work.Path() / "stop", "");
  WaitUntil([&] { return fs::exists(m_work.Path() / "stopped"); }, kStopLimit);
}

int UnusedLoopbackPort() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  const SOCKET fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  closesocket(fd);
  WSACleanup();
  return ntohs(address.sin_port);
}

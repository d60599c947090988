// The catalogue server on Windows is the Linux program of a Linux build
// (OSTREL_CATALOGUE_SERVER), which Wine starts through CreateProcess as it
// would a Windows one, but without a process handle to wait on or end. So it
// runs under a small shell script that stops it, and says so, once the test's
// work folder holds "stop" or is gone; arguments that are paths go as Wine's
// Unix paths.
#include "testkit/loopback_server.h"

#include <windows.h>

#include <chrono>

#include "testkit/temp_prefix.h"
#include "testkit/wait_until.h"
#include "testkit/windows/windows_text.h"

namespace fs = std::filesystem;

namespace {

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

std::string LoopbackServer::ServerPath(const fs::path& path) {
  return UnixPathUnderWine(path);
}

void LoopbackServer::StartServer(const std::vector<std::string>& args) {
  const fs::path script = m_work.Path() / "watch.sh";
  WriteHostFile(script, kWatchScript);
  std::vector<std::string> command = {"/bin/sh", UnixPathUnderWine(script),
                                      UnixPathUnderWine(m_work.Path()), OSTREL_CATALOGUE_SERVER};
  command.insert(command.end(), args.begin(), args.end());
  // What the server says about its own failures belongs in the test's output.
  StartUnixProgram(command, true, "the loopback server");
}

bool LoopbackServer::ServerEnded() {
  return fs::exists(m_work.Path() / "stopped");
}

void LoopbackServer::StopServer() {
  WriteHostFile(m_work.Path() / "stop", "");
  WaitUntil([&] { return ServerEnded(); }, kStopLimit);
}

// TransferFile against the curl command-line tool (the anchor), both fetching
// the same 1 GiB body from the loopback server in the same run. Prints the
// throughput ratio and the growth of this process's peak resident memory over
// the transfers.
//
//   transfer_bench [ROUNDS]      (default 3; the best round of each counts)
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "catalogue/transfer_file.h"
#include "platform/http.h"
#include "testkit/loopback_server.h"
#include "testkit/temp_prefix.h"

extern char** environ;

namespace {

constexpr long long kBytes = 1LL << 30;
using Clock = std::chrono::steady_clock;

long PeakResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0)
      return std::atol(line.c_str() + 6);
  }
  return 0;
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double TimeCurl(const std::string& url, const std::filesystem::path& target) {
  std::vector<std::string> args = {"curl", "-s", "-f", "-o", target.string(), url};
  std::vector<char*> argv;
  for (auto& arg : args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = -1;
  if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0)
    return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds = Seconds(start);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

double TimeTransferFile(const std::string& url, const std::filesystem::path& target) {
  std::atomic<std::int32_t> counter{0};
  const auto start = Clock::now();
  const bool whole = TransferFile(url, target.string(), &counter);
  const double seconds = Seconds(start);
  return whole && counter.load() == kBytes ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  platform::InitialiseHttp();
  TempPrefix prefix;
  LoopbackServer server;
  const std::string url = server.Url("-/bytes/" + std::to_string(kBytes));
  const auto target = prefix.Root() / "body.bin";

  // Whatever the internet layer sets up once is not the transfer's memory.
  TimeTransferFile(server.Url("-/bytes/1000"), target);
  const long peakBefore = PeakResidentKilobytes();

  double bestCurl = 1e9;
  double bestOurs = 1e9;
  for (int round = 0; round < rounds; ++round) {
    const double curl = TimeCurl(url, target);
    std::filesystem::remove(target);
    const double ours = TimeTransferFile(url, target);
    std::filesystem::remove(target);
    if (curl < 0 || ours < 0) {
      std::fprintf(stderr, "a transfer failed (curl %.3f s, TransferFile %.3f s)\n", curl, ours);
      return 1;
    }
    std::printf("round %d: curl %.3f s, TransferFile %.3f s\n", round + 1, curl, ours);
    bestCurl = std::min(bestCurl, curl);
    bestOurs = std::min(bestOurs, ours);
  }
  const double mib = static_cast<double>(kBytes) / (1024 * 1024);
  std::printf("anchor curl:  %.0f MiB/s\n", mib / bestCurl);
  std::printf("TransferFile: %.0f MiB/s\n", mib / bestOurs);
  std::printf("throughput ratio TransferFile/curl: %.2f\n", bestCurl / bestOurs);
  std::printf("peak resident memory growth: %ld kB\n", PeakResidentKilobytes() - peakBefore);
  return 0;
}

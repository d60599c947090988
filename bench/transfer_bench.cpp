// TransferFile against the curl command-line tool (the anchor), both fetching
// the same 1 GiB body from the loopback server in the same run. Prints the
// throughput ratio and the growth of this process's peak resident memory over
// the transfers. Fails (status 1) unless every body arrives exactly: counted
// to the byte, of the right size, with the right last bytes.
//
//   transfer_bench [ROUNDS]      (default 3; the best round of each counts)
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/transfer_file.h"
#include "platform/http.h"
#include "testkit/child_process.h"
#include "testkit/loopback_server.h"
#include "testkit/temp_prefix.h"

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

// The body as the server generated it: the right size, and its last bytes
// the right ones.
bool ArrivedExactly(const std::filesystem::path& target, long long size) {
  std::error_code error;
  if (std::filesystem::file_size(target, error) != static_cast<std::uintmax_t>(size) || error)
    return false;
  constexpr long long kTail = 1000;
  std::ifstream file(target, std::ios::binary);
  file.seekg(size - kTail);
  std::string tail(kTail, '\0');
  file.read(tail.data(), kTail);
  return file && tail == GeneratedBytes(kTail, static_cast<std::size_t>(size - kTail));
}

double TimeCurl(const std::string& url, const std::filesystem::path& target) {
  const auto start = Clock::now();
  const std::optional<int> status =
      ChildProcess("curl", {"-s", "-f", "-o", target.string(), url}).Wait();
  const double seconds = Seconds(start);
  return status == 0 ? seconds : -1;
}

double TimeTransferFile(const std::string& url, const std::filesystem::path& target,
                        long long size) {
  std::atomic<std::int32_t> counter{0};
  const auto start = Clock::now();
  const bool whole = TransferFile(url, target.string(), &counter);
  const double seconds = Seconds(start);
  return whole && counter.load() == size && ArrivedExactly(target, size) ? seconds : -1;
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
  TimeTransferFile(server.Url("-/bytes/1000"), target, 1000);
  const long peakBefore = PeakResidentKilobytes();

  double bestCurl = 1e9;
  double bestOurs = 1e9;
  for (int round = 0; round < rounds; ++round) {
    const double curl = TimeCurl(url, target);
    std::filesystem::remove(target);
    const double ours = TimeTransferFile(url, target, kBytes);
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
  rusage children{};
  getrusage(RUSAGE_CHILDREN, &children);
  std::printf("anchor curl's whole peak resident memory: %ld kB\n", children.ru_maxrss);
  return 0;
}

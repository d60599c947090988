// A 200 MB installer over a link that drops: the loopback server resets
// every answer after 20 MB of its body. Prints the bytes fetched over the
// file's size for TransferFile (one run, as the updater fetches an
// installer) and for the anchor, `curl -C - --retry 5`, fetching the same
// way in the same run; curl is run again, as a user would, until its file is
// whole (at most 20 times). Fails (status 1) unless our file arrives whole
// and exact.
//
// Bytes fetched are what the server sent: for each request in its log, the
// rest of the file from the Range asked for, cut at 20 MB. The server lets
// the client take every byte it sent before it resets the connection, so
// that is also what arrived.
//
//   resume_bench
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

constexpr std::uint64_t kFileBytes = 200ull * 1024 * 1024;
constexpr std::uint64_t kDropEvery = 20ull * 1024 * 1024;
constexpr int kMostCurlRuns = 20;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// What the server sent for the requests from `first` on whose User-Agent
// starts with `agent`.
struct Sent {
  std::size_t requests = 0;
  std::uint64_t bytes = 0;
};

Sent SentSince(const LoopbackServer& server, std::size_t first, const std::string& agent) {
  Sent sent;
  const auto requests = server.Requests();
  for (std::size_t i = first; i < requests.size(); ++i) {
    if (requests[i].Header("User-Agent").rfind(agent, 0) != 0)
      continue;
    std::uint64_t from = 0;
    const std::string range = requests[i].Header("Range");
    if (range.rfind("bytes=", 0) == 0)
      from = std::strtoull(range.c_str() + 6, nullptr, 10);
    ++sent.requests;
    sent.bytes += std::min(kDropEvery, kFileBytes - std::min(from, kFileBytes));
  }
  return sent;
}

// The whole body, byte for byte.
bool ArrivedExactly(const std::filesystem::path& file) {
  std::error_code error;
  if (std::filesystem::file_size(file, error) != kFileBytes || error)
    return false;
  std::ifstream in(file, std::ios::binary);
  constexpr std::size_t kChunk = 1 << 20;
  std::string chunk(kChunk, '\0');
  for (std::uint64_t at = 0; at < kFileBytes; at += kChunk) {
    in.read(chunk.data(), kChunk);
    if (!in || chunk != GeneratedBytes(kChunk, static_cast<std::size_t>(at)))
      return false;
  }
  return true;
}

void Report(const char* who, const Sent& sent, double seconds, const char* outcome) {
  std::printf("%-28s %2zu requests, %11llu bytes fetched, %.3f x the file, %5.1f s, %s\n", who,
              sent.requests, static_cast<unsigned long long>(sent.bytes),
              static_cast<double>(sent.bytes) / static_cast<double>(kFileBytes), seconds, outcome);
}

}  // namespace

int main() {
  platform::InitialiseHttp();
  TempPrefix prefix;
  LoopbackServer server;
  const std::string url =
      server.Url("-/cut/" + std::to_string(kDropEvery) + "/-/bytes/" + std::to_string(kFileBytes));
  std::printf("a %llu-byte file; every answer is reset after %llu bytes of it\n",
              static_cast<unsigned long long>(kFileBytes),
              static_cast<unsigned long long>(kDropEvery));

  const auto ours = prefix.Root() / "ours.exe";
  std::atomic<std::int32_t> counter{0};
  TransferBounds bounds;
  bounds.resumption = Resumption::kWithinRun;
  auto start = Clock::now();
  const bool whole = TransferFile(url, ours.string(), &counter, nullptr, bounds);
  const double oursSeconds = Seconds(start);
  const bool exact = whole && ArrivedExactly(ours);
  const Sent oursSent = SentSince(server, 0, "Ostrel");
  Report("TransferFile, one run:", oursSent, oursSeconds, exact ? "whole" : "NOT WHOLE");
  std::printf("goal: at most 1.05 x the file, in one run\n");
  std::filesystem::remove(ours);

  const auto theirs = prefix.Root() / "curl.exe";
  const std::size_t curlFirst = server.Requests().size();
  start = Clock::now();
  std::optional<int> status;
  int runs = 0;
  std::optional<Sent> firstRun;
  double firstSeconds = 0;
  while (runs < kMostCurlRuns && status != 0) {
    ++runs;
    status =
        ChildProcess("curl", {"-s", "-C", "-", "--retry", "5", "-o", theirs.string(), url}).Wait();
    if (runs == 1) {
      firstSeconds = Seconds(start);
      firstRun = SentSince(server, curlFirst, "curl");
      if (status != 0)
        std::printf("curl -C - --retry 5 ended with status %d after its first run\n",
                    status.value_or(-1));
    }
  }
  const double curlSeconds = Seconds(start);
  Report("curl -C - --retry 5, 1 run:", *firstRun, firstSeconds,
         runs == 1 && status == 0 ? "whole" : "not whole");
  const std::string outcome = status == 0 && ArrivedExactly(theirs)
                                  ? "whole after " + std::to_string(runs) + " runs"
                                  : "not whole after " + std::to_string(runs) + " runs";
  Report("curl -C - --retry 5, again:", SentSince(server, curlFirst, "curl"), curlSeconds,
         outcome.c_str());
  std::filesystem::remove(theirs);
  return exact ? 0 : 1;
}

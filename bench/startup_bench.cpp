// Start-up bench: the time from process start to the first painted list, and
// the peak memory by then, against the anchor (a minimal wx program showing a
// window with a filled list, minimal_list_window.cpp) in the same run.
//
// Both programs say when their list has first been painted on the start-up
// trace (OSTREL_STARTUP_TRACE, standard error), stamped with the system's
// monotonic clock, which this program reads too: the time is from just
// before the process is started to that stamp. The peak memory is the
// process's peak resident set at that moment.
//
// Two catalogues, served on loopback: 100 items (rounds alternate between
// the anchor and the updater; the goal is the ratio of their medians), and
// 50,000 items (goals in seconds and megabytes, the anchor's figures beside
// them). Then the demo's catalogue (demo/catalogue): `ostrel-update --check`,
// from its start to its end, against the window's start-up to its painted
// list on the same catalogue, in alternating rounds. Needs an X display (run
// under xvfb-run).
//   startup_bench [ROUNDS]      (default 9; the long catalogue gets a third)
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "testkit/child_process.h"
#include "testkit/loopback_server.h"
#include "testkit/temp_folder.h"
#include "testkit/wait_until.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kGoalRatio = 1.15;
constexpr double kGoalLongSeconds = 1.0;
constexpr double kGoalLongMegabytes = 150;

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

struct Start {
  double seconds = 0;
  double peakMegabytes = 0;
};

// The clock stamp of the trace line of the list's first paint, in ms.
std::optional<double> PaintedStamp(const std::filesystem::path& trace) {
  std::ifstream in(trace);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t clock = line.find("[clock ");
    if (line.find(" list painted ") != std::string::npos && clock != std::string::npos)
      return std::strtod(line.c_str() + clock + 7, nullptr);
  }
  return std::nullopt;
}

double PeakMegabytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0)
      return std::strtod(line.c_str() + 6, nullptr) / 1024;
  }
  return 0;
}

// Starts `program` and waits for its list's first paint; nullopt when it did
// not come within a minute.
std::optional<Start> TimeToPaintedList(const std::string& program,
                                       const std::vector<std::string>& args,
                                       const std::filesystem::path& trace) {
  ChildProcess::Options options;
  options.environment = {"OSTREL_STARTUP_TRACE=1"};
  options.errors = trace;
  const auto started = Clock::now();
  ChildProcess shown(program, args, options);
  std::optional<double> stamp;
  WaitUntil([&] { return (stamp = PaintedStamp(trace)).has_value(); }, std::chrono::minutes(1));
  Start figures;
  if (stamp) {
    const double startedMs =
        std::chrono::duration<double, std::milli>(started.time_since_epoch()).count();
    figures.seconds = (*stamp - startedMs) / 1000;
    figures.peakMegabytes = PeakMegabytes(shown.Pid());
  }
  shown.Stop(SIGTERM);
  std::filesystem::remove(trace);
  if (!stamp)
    return std::nullopt;
  return figures;
}

// Seconds from the start of `program` to its end; nullopt when it ran for
// more than a minute.
std::optional<double> TimeToExit(const std::string& program, const std::vector<std::string>& args) {
  const auto started = Clock::now();
  ChildProcess run(program, args, ChildProcess::Options{});
  if (!run.Wait(std::chrono::minutes(1)))
    return std::nullopt;
  return std::chrono::duration<double>(Clock::now() - started).count();
}

// The demo's catalogue as scripts/demo serves it, unsigned.
std::string DemoCatalogue(const std::string& base) {
  std::ifstream in(OSTREL_DEMO_CATALOGUE, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (std::size_t at; (at = text.find("@BASE@")) != std::string::npos;)
    text.replace(at, 6, base);
  return text;
}

Start Median(std::vector<Start> values) {
  auto middle = [&](auto field) {
    std::vector<double> picked;
    for (const Start& value : values)
      picked.push_back(value.*field);
    std::sort(picked.begin(), picked.end());
    return picked[picked.size() / 2];
  };
  return {middle(&Start::seconds), middle(&Start::peakMegabytes)};
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  if (std::getenv("DISPLAY") == nullptr) {
    std::printf("startup_bench: no X display; run it under xvfb-run\n");
    return 0;
  }
  LoopbackServer server;
  server.AddFile("short/download.xml", Catalogue(100));
  server.AddFile("long/download.xml", Catalogue(50'000));
  server.AddFile("demo/download.xml", DemoCatalogue(server.Url("demo/")));
  const TempFolder work("ostrel-bench-");
  setenv("OSTREL_PREFIX", (work.Path() / "prefix").c_str(), 1);
  setenv("XDG_STATE_HOME", (work.Path() / "state").c_str(), 1);
  const auto trace = work.Path() / "trace.txt";

  auto run = [&](const char* what, const std::string& program,
                 const std::vector<std::string>& args) {
    const auto figures = TimeToPaintedList(program, args, trace);
    if (!figures) {
      std::printf("startup_bench: %s painted no list within a minute\n", what);
      std::exit(1);
    }
    return *figures;
  };
  auto anchorRun = [&] { return run("the anchor", OSTREL_ANCHOR_BINARY, {"anchor - list"}); };
  auto updaterRun = [&](const char* catalogue) {
    setenv("OSTREL_CATALOGUE_URL", (server.BaseUrl() + catalogue + "/").c_str(), 1);
    return run("the updater", OSTREL_UPDATE_BINARY, {});
  };

  std::vector<Start> anchor, updater, longUpdater;
  for (int round = 0; round < rounds; ++round) {
    anchor.push_back(anchorRun());
    updater.push_back(updaterRun("short"));
  }
  for (int round = 0; round < std::max(1, rounds / 3); ++round)
    longUpdater.push_back(updaterRun("long"));

  std::vector<Start> demoWindow, demoCheck;
  for (int round = 0; round < rounds; ++round) {
    demoWindow.push_back(updaterRun("demo"));
    const auto checked = TimeToExit(OSTREL_UPDATE_BINARY, {"--check"});
    if (!checked) {
      std::printf("startup_bench: --check did not end within a minute\n");
      return 1;
    }
    demoCheck.push_back({*checked, 0});
  }

  const Start a = Median(anchor), u = Median(updater), l = Median(longUpdater);
  const Start dw = Median(demoWindow), dc = Median(demoCheck);
  std::printf("start-up to the first painted list (median of %d rounds; peak resident set)\n",
              rounds);
  std::printf("  anchor (minimal wx list window, 100 rows): %7.1f ms %7.1f MB\n", a.seconds * 1000,
              a.peakMegabytes);
  std::printf("  ostrel-update, 100 items:                   %7.1f ms %7.1f MB\n", u.seconds * 1000,
              u.peakMegabytes);
  std::printf("  ratio: %.2fx (goal <= %.2fx)\n", u.seconds / a.seconds, kGoalRatio);
  std::printf("ostrel-update, 50,000 items (median of %zu rounds):\n", longUpdater.size());
  std::printf("  time:   %7.3f s  (goal <= %.1f s; %.1fx the anchor)\n", l.seconds,
              kGoalLongSeconds, l.seconds / a.seconds);
  std::printf("  memory: %7.1f MB (goal <= %.0f MB; %.2fx the anchor)\n", l.peakMegabytes,
              kGoalLongMegabytes, l.peakMegabytes / a.peakMegabytes);
  std::printf("the demo's catalogue (median of %d rounds):\n", rounds);
  std::printf("  window start-up to the painted list: %7.1f ms\n", dw.seconds * 1000);
  std::printf("  --check, start to end:               %7.1f ms\n", dc.seconds * 1000);
  std::printf("  ratio: %.2fx the window's start-up\n", dc.seconds / dw.seconds);
  return 0;
}

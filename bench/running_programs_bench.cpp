// One FindRunningPrograms over about 2,000 running processes, against the
// anchor `ps -e -o comm=` (the system's own process lister, reading the same
// /proc) in the same run, in interleaved repetitions. Prints the ratio of
// their median times; the goal is no more than 0.3.
//
// The processes are copies of sleep under names that no suite program has,
// so that tests running meanwhile see none of them; they are all ended before
// the program returns.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "anchor_ratio.h"
#include "guard/running_programs.h"
#include "testkit/child_process.h"

namespace {

constexpr int kWantedProcesses = 2000;

int CountProcesses() {
  int count = 0;
  if (DIR* proc = opendir("/proc")) {
    while (const dirent* entry = readdir(proc))
      if (entry->d_name[0] >= '1' && entry->d_name[0] <= '9')
        ++count;
    closedir(proc);
  }
  return count;
}

// Sleepers that end on their own within a few minutes, should this program
// be killed before it ends them.
class Sleepers {
 public:
  explicit Sleepers(int count) {
    static const char* const kNames[] = {"C:\\windows\\system32\\svchost.exe", "worker",
                                         "/usr/lib/x/helper-daemon", "C:\\Tools\\Report.EXE"};
    m_children.reserve(static_cast<std::size_t>(count));
    try {
      for (int i = 0; i < count; ++i) {
        ChildProcess::Options options;
        options.argv0 = kNames[i % 4];
        m_children.emplace_back("/bin/sleep", std::vector<std::string>{"300"}, options);
      }
    } catch (const std::runtime_error&) {
      // As many as the system allows.
    }
  }

  std::size_t Count() const { return m_children.size(); }

 private:
  std::vector<ChildProcess> m_children;
};

void FindRunningProgramsOnce(benchmark::State& state) {
  SuiteProgramTable table = StartupProgramTable();
  table.merge(SuiteProgramsAfterStartup());
  std::vector<std::string> running;
  for (auto _ : state) {
    running.clear();
    benchmark::DoNotOptimize(FindRunningPrograms(table, running));
  }
  state.counters["processes"] = CountProcesses();
}

void PsListsProcessNames(benchmark::State& state) {
  std::string names;
  for (auto _ : state) {
    names.clear();
    FILE* ps = popen("ps -e -o comm=", "r");
    if (ps == nullptr) {
      state.SkipWithError("ps could not be started");
      return;
    }
    char buffer[65536];
    std::size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, ps)) > 0)
      names.append(buffer, got);
    pclose(ps);
    benchmark::DoNotOptimize(names.data());
  }
}

// Wall time on both sides: most of ps's work is in its own process, which the
// CPU time of this one would not see. Each repetition runs for about half
// a second.
BENCHMARK(FindRunningProgramsOnce)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(PsListsProcessNames)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const int present = CountProcesses();
  const Sleepers sleepers(std::max(0, kWantedProcesses - present));
  std::printf("processes running: %d (%zu started for the run)\n", CountProcesses(),
              sleepers.Count());

  return RunAgainstAnchor(
      argc, argv,
      {"FindRunningProgramsOnce", "PsListsProcessNames",
       "FindRunningPrograms / ps -e -o comm=", 0.3, Ratios::kRealTime, Order::kInterleaved});
}

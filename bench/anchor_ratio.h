// What the google-benchmark benches share: each runs its benchmark and its
// anchor several times and prints the ratio of their medians beside its goal.
// The repetitions of the two may be interleaved in random order, so that a
// machine whose load changes during the run slows both alike; but where the
// two allocate much, the one that runs next would reuse memory the other has
// just freed (and faulted in), so there each runs its repetitions on its own.
//
//   RunAgainstAnchor(argc, argv, {"Ours", "Anchor", "what is compared", 0.8,
//                                 Ratios::kRealAndCpuTime, Order::kEachOnItsOwn});
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class MedianReporter : public benchmark::ConsoleReporter {
 public:
  struct Times {
    double real = 0;
    double cpu = 0;
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        m_medians[run.run_name.function_name] = {run.GetAdjustedRealTime(),
                                                 run.GetAdjustedCPUTime()};
    }
  }
  const Times* Median(const std::string& name) const {
    const auto found = m_medians.find(name);
    return found == m_medians.end() ? nullptr : &found->second;
  }

 private:
  std::map<std::string, Times> m_medians;
};

// Which ratios are printed: the real time's alone where the anchor's work is
// in another process, which this one's CPU time does not see.
enum class Ratios { kRealTime, kRealAndCpuTime };
enum class Order { kInterleaved, kEachOnItsOwn };

struct Comparison {
  const char* ours;
  const char* anchor;
  const char* what;
  double goal;
  Ratios ratios;
  Order order;
};

// Runs the benchmarks (9 repetitions unless the command line says otherwise)
// and prints ours / anchor. Returns main's status.
inline int RunAgainstAnchor(int argc, char** argv, const Comparison& comparison) {
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=9";
  std::string interleaving = std::string("--benchmark_enable_random_interleaving=") +
                             (comparison.order == Order::kInterleaved ? "true" : "false");
  std::string aggregates = "--benchmark_report_aggregates_only=true";
  for (std::string* option : {&repetitions, &interleaving, &aggregates}) {
    const std::string name = option->substr(0, option->find('=') + 1);
    bool given = false;
    for (int i = 1; i < argc; ++i)
      given = given || std::string(argv[i]).rfind(name, 0) == 0;
    if (!given)
      args.insert(args.begin() + 1, option->data());
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data()))
    return 1;
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const MedianReporter::Times* a = reporter.Median(comparison.anchor);
  const MedianReporter::Times* o = reporter.Median(comparison.ours);
  if (a == nullptr || o == nullptr || a->real <= 0 || a->cpu <= 0)
    return 0;
  if (comparison.ratios == Ratios::kRealTime) {
    std::printf("%s: %.2fx the anchor's real time (goal <= %.2fx)\n", comparison.what,
                o->real / a->real, comparison.goal);
  } else {
    std::printf("%s: %.2fx the anchor in real time, %.2fx in CPU time (goal <= %.2fx)\n",
                comparison.what, o->real / a->real, o->cpu / a->cpu, comparison.goal);
  }
  return 0;
}

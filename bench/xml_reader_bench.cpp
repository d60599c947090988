// Reading a large catalogue: ParseDocument through the catalogue's text
// stream, against pugixml loading the same file (the anchor). The ratio of
// the two is printed at the end; the goal is no more than 2.
//   cmake -DOSTREL_BUILD_BENCH=ON ... && build/bench/xml_reader_bench
#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "xml/text_input_file.h"
#include "xml/xml_var.h"

namespace {

constexpr int kItems = 20'000;

// About 10 MB: a catalogue of 20,000 items of the usual fields, CR LF line
// endings as a Windows server writes them, entities in the descriptions.
std::filesystem::path Catalogue() {
  static const std::filesystem::path path = [] {
    auto file = std::filesystem::temp_directory_path() / "ostrel-bench-catalogue.xml";
    std::ofstream out(file, std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
           "<?xml-stylesheet type=\"text/xsl\" href=\"download.xsl\"?>\r\n"
           "<Catalogue>\r\n  <Downloads>\r\n";
    for (int i = 0; i < kItems; ++i) {
      const std::string n = std::to_string(i);
      out << "    <Update id=\"" << n << "\" kind='installer'>\r\n"
          << "      <Name>Ostrel Payroll 2024 update " << n << "</Name>\r\n"
          << "      <href>http://updates.example.com/installers/payroll-2024-" << n
          << ".exe</href>\r\n"
          << "      <Info>payroll-2024-" << n << ".txt</Info>\r\n"
          << "      <Size>12 MB</Size>\r\n"
          << "      <Date>01/02/2024</Date>\r\n"
          << "      <Description>Payroll &amp; CIS update for the 2024/25 tax year, "
             "thresholds &#163;12,570 and &#8364; rates, part "
          << n << "</Description>\r\n"
          << "      <Notes>Install after closing every program of the suite. The update "
             "replaces the payroll, CIS and year-end modules and keeps the company data "
             "as it is; take a backup first &lt;recommended&gt;.</Notes>\r\n"
          << "    </Update>\r\n";
    }
    out << "  </Downloads>\r\n</Catalogue>\r\n";
    return file;
  }();
  return path;
}

void Anchor_PugixmlLoadFile(benchmark::State& state) {
  const auto path = Catalogue();
  for (auto _ : state) {
    pugi::xml_document document;
    benchmark::DoNotOptimize(document.load_file(path.c_str()));
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

void ParseDocument_TextInputFile(benchmark::State& state) {
  const auto path = Catalogue();
  for (auto _ : state) {
    TextInputFile in(path);
    CXMLVar root("");
    root.ParseDocument(in);
    benchmark::DoNotOptimize(root.Children().size());
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

BENCHMARK(Anchor_PugixmlLoadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(ParseDocument_TextInputFile)->Unit(benchmark::kMillisecond);

// The console report, plus each benchmark's time as a ratio to the anchor's.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      m_times[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    auto anchor = m_times.find("Anchor_PugixmlLoadFile");
    if (anchor == m_times.end() || anchor->second.real <= 0 || anchor->second.cpu <= 0)
      return;
    for (const auto& [name, time] : m_times) {
      std::printf("%-32s %.2fx the anchor (real time), %.2fx (CPU time)\n", name.c_str(),
                  time.real / anchor->second.real, time.cpu / anchor->second.cpu);
    }
  }

 private:
  struct Times {
    double real;
    double cpu;
  };
  std::map<std::string, Times> m_times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::filesystem::remove(Catalogue());
  benchmark::Shutdown();
  return 0;
}

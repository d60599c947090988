#include "platform/process_list.h"

#include <gtest/gtest.h>

#include "testkit/temp_prefix.h"

namespace platform {
void PrintTo(const RunningProcess& process, std::ostream* out) {
  *out << process.pid << ":" << process.exeName;
}
}  // namespace platform

namespace {

namespace fs = std::filesystem;
using platform::ProcessList;
using platform::RunningProcess;

// A process folder laid out as /proc is, with only the files the list reads.
class FakeProcFolder {
 public:
  FakeProcFolder() {
    std::string pattern = (fs::temp_directory_path() / "ostrel-proc-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("mkdtemp failed");
    m_root = pattern;
  }
  ~FakeProcFolder() {
    std::error_code ec;
    fs::remove_all(m_root, ec);
  }

  void Add(const std::string& pid, const std::string& cmdline, const std::string& stat = "") {
    fs::create_directories(m_root / pid);
    WriteHostFile(m_root / pid / "cmdline", cmdline);
    if (!stat.empty())
      WriteHostFile(m_root / pid / "stat", stat);
  }
  const fs::path& Root() const { return m_root; }

 private:
  fs::path m_root;
};

using namespace std::string_literals;

TEST(ProcessList, NamesComeFromArgv0OrTheCommOfALivingProcessInIdOrder) {
  FakeProcFolder proc;
  proc.Add("120", "/usr/lib/wine/wine64-preloader\0C:\\x.exe\0"s);
  proc.Add("7", "C:\\Program Files\\Ostrel\\ACCOUNTS.EXE\0/arg\0"s);
  proc.Add("30", "", "30 (kworker/0:1) I 2 0 0");
  proc.Add("31", "", "31 (pelmor32.exe) Z 1 31 31");
  proc.Add("45", "/opt/suite/Caf\xC3\xA9.exe\0"s);
  proc.Add("50", "", "50 (odd) name) S 1 50");
  proc.Add("51", "/folder/\0"s, "51 (halvex.exe) R 1 51");
  // Gone while the list was taken: a folder without its files.
  fs::create_directories(proc.Root() / "60");
  fs::create_directories(proc.Root() / "self");
  WriteHostFile(proc.Root() / "uptime", "1.0 1.0");

  const auto list = ProcessList::Take(proc.Root());
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(list->Processes(), (std::vector<RunningProcess>{
                                   {7, "ACCOUNTS.EXE"},
                                   {30, "kworker/0:1"},
                                   {45, "Caf\xE9.exe"},
                                   {50, "odd) name"},
                                   {51, "halvex.exe"},
                                   {120, "wine64-preloader"},
                               }));
}

TEST(ProcessList, AnUnreadableProcessFolderGivesNoList) {
  EXPECT_FALSE(ProcessList::Take("/nonexistent/proc").has_value());
}

}  // namespace

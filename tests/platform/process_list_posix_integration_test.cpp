#include "platform/process_list.h"

#include <gtest/gtest.h>

#include "testkit/temp_folder.h"
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
  void Add(const std::string& pid, const std::string& cmdline, const std::string& stat = "",
           const std::string& status = "", const std::string& environ = "") {
    const fs::path folder = Root() / pid;
    fs::create_directories(folder);
    WriteHostFile(folder / "cmdline", cmdline);
    if (!stat.empty())
      WriteHostFile(folder / "stat", stat);
    if (!status.empty())
      WriteHostFile(folder / "status", status);
    if (!environ.empty())
      WriteHostFile(folder / "environ", environ);
  }
  const fs::path& Root() const { return m_folder.Path(); }

 private:
  TempFolder m_folder{"ostrel-proc-"};
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
  std::vector<std::pair<pid_t, std::string>> names;
  for (const RunningProcess& process : list->Processes())
    names.emplace_back(process.pid, process.exeName);
  EXPECT_EQ(names, (std::vector<std::pair<pid_t, std::string>>{
                       {7, "ACCOUNTS.EXE"},
                       {30, "kworker/0:1"},
                       {45, "Caf\xE9.exe"},
                       {50, "odd) name"},
                       {51, "halvex.exe"},
                       {120, "wine64-preloader"},
                   }));
}

TEST(ProcessList, APrefixIsThisUsersWinePrefixElseHomeDotWineAndUnknownWithoutAnEnvironment) {
  FakeProcFolder proc;
  const std::string mine = "Name:\tx\nUid:\t1000\t1000\t1000\t1000\n";
  const std::string theirs = "Name:\tx\nUid:\t1001\t1001\t1001\t1001\n";
  proc.Add("1", "a.exe\0"s, "", mine, "PATH=/bin\0WINEPREFIX=/p/suite\0HOME=/home/me\0"s);
  proc.Add("2", "b.exe\0"s, "", mine, "HOME=/p/suite/..\0"s);
  proc.Add("3", "c.exe\0"s, "", mine, "HOME=/p/\0"s);
  proc.Add("4", "d.exe\0"s, "", theirs, "WINEPREFIX=/p/suite/\0"s);
  proc.Add("5", "e.exe\0"s, "", mine);
  proc.Add("6", "f.exe\0"s, "", mine, "WINEPREFIX=/p/other\0"s);

  const auto list = ProcessList::Take(proc.Root());
  ASSERT_TRUE(list.has_value());
  std::vector<std::string> prefixes;
  for (const auto& process : list->Processes())
    prefixes.push_back(process.prefix);
  EXPECT_EQ(prefixes, (std::vector<std::string>{"/p/suite", "/p/suite/../.wine", "/p/.wine",
                                                "/p/suite/", "", "/p/other"}));
  std::vector<pid_t> chosen;
  const ProcessList ours = list->InPrefix(1000, "/p/suite");
  for (const auto& process : ours.Processes())
    chosen.push_back(process.pid);
  EXPECT_EQ(chosen, (std::vector<pid_t>{1}));
  EXPECT_EQ(list->InPrefix(1000, "/p/.wine/").Processes().size(), 2u);
}

TEST(ProcessList, ANamedSnapshotHoldsTheWantedNamesAloneWithTheirUserAndPrefix) {
  FakeProcFolder proc;
  const std::string mine = "Name:\tx\nUid:\t1000\t1000\t1000\t1000\n";
  proc.Add("1", "C:\\suite\\ACCOUNTS.EXE\0"s, "", mine, "WINEPREFIX=/p/suite\0"s);
  proc.Add("2", "/usr/bin/bash\0"s, "", mine, "WINEPREFIX=/p/suite\0"s);
  proc.Add("3", "", "3 (cis.exe) S 1 3", mine, "HOME=/p\0"s);
  const auto wanted = [](std::string_view name) {
    return name == "ACCOUNTS.EXE" || name == "cis.exe";
  };

  const auto list = ProcessList::TakeNamed(wanted, proc.Root());
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(list->Processes(), (std::vector<RunningProcess>{{1, "ACCOUNTS.EXE", 1000, "/p/suite"},
                                                            {3, "cis.exe", 1000, "/p/.wine"}}));
}

TEST(ProcessList, AnUnreadableProcessFolderGivesNoList) {
  EXPECT_FALSE(ProcessList::Take("/nonexistent/proc").has_value());
}

}  // namespace

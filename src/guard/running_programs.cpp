#include "guard/running_programs.h"

#include "brand/brand_text.h"
#include "guard/window_closing.h"
#include "platform/host_path.h"
#include "platform/process_list.h"
#include "support/error_list.h"
#include "support/log.h"

SuiteProgramTable StartupProgramTable() {
  return {{"autorun.exe", kStartupDisplayName}};
}

SuiteProgramTable SuiteProgramsAfterStartup() {
  return {
      {"clients.exe", "Hollwick"},
      {"halvex.exe", "Halvex"},
      {"cis.exe", "Brevalt"},
      {"quorby.exe", "Quorby"},
      {"pelmor32.exe", "Payroll"},
      {"accounts.exe", "Ostrel Accounts"},
      {"tamlin32.exe", "Company Register"},
  };
}

int FindRunningPrograms(const SuiteProgramTable& table, std::vector<std::string>& running) {
  // Only the names in the table are looked at further (their user and
  // prefix). No list of processes means none is found: the update goes on.
  const auto inTable = [&table](std::string_view name) {
    return table.count(AsciiLowerCase(std::string(name))) != 0;
  };
  if (const auto processes = platform::ProcessList::TakeNamed(inTable)) {
    // Programs of other users, or in other prefixes, touch none of this
    // prefix's files: they don't hold up its update (on Windows every
    // process of the machine shares them, and counts).
    const auto ours = processes->OursInPrefix(platform::PrefixFolder());
    for (const platform::RunningProcess& process : ours.Processes()) {
      const auto found = table.find(AsciiLowerCase(process.exeName));
      if (found != table.end())
        running.push_back(found->second);
    }
  }
  return static_cast<int>(running.size());
}

bool CheckRunningPrograms() {
  SuiteProgramTable table = StartupProgramTable();
  std::vector<std::string> running;
  if (FindRunningPrograms(table, running) > 0) {
    // The name as the windows show it, not rewritten for the skin.
    CloseWindowsWith(kStartupDisplayName);
    running.clear();
  }

  table.merge(SuiteProgramsAfterStartup());
  if (FindRunningPrograms(table, running) == 0)
    return false;
  for (std::string& line : running) {
    BrandText(line);
    line = FormatText(kRunningFormat, line.c_str());
  }
  running.push_back(kRunningAdvice);
  ShowErrors(running);
  return true;
}

#include "platform/process_list.h"

#include <vector>

// The snapshot names every process as it lists it, so the names a caller does
// not want are dropped from the snapshot as taken. Reading a process's user
// and session (process_list.cpp) still costs every process here; a walk that
// asks the filter before it opens a process would spare that.

namespace platform {

std::optional<ProcessList> ProcessList::TakeNamed(const NameFilter& wanted,
                                                  const std::filesystem::path& procRoot) {
  std::optional<ProcessList> list = Take(procRoot);
  if (list && wanted) {
    std::erase_if(list->m_processes,
                  [&](const RunningProcess& process) { return !wanted(process.exeName); });
  }
  return list;
}

}  // namespace platform

#include "guard/window_closing.h"

#include <mutex>
#include <set>
#include <thread>

#include "platform/host_path.h"
#include "platform/process_list.h"
#include "platform/top_windows.h"
#include "support/log.h"

namespace {

std::mutex g_timingMutex;
CloseTiming g_timing = kCloseTiming;

std::set<long> ProcessesOfThisPrefix() {
  std::set<long> pids;
  if (const auto processes = platform::ProcessList::Take()) {
    const auto ours = processes->OursInPrefix(platform::PrefixFolder());
    for (const auto& process : ours.Processes())
      pids.insert(process.pid);
  }
  return pids;
}

}  // namespace

CloseTiming CurrentCloseTiming() {
  std::lock_guard lock(g_timingMutex);
  return g_timing;
}

void SetCloseTimingForTests(const CloseTiming& timing) {
  std::lock_guard lock(g_timingMutex);
  g_timing = timing;
}

std::string AsciiLowerCase(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return text;
}

void CloseWindowsWith(const std::string& name) {
  const std::string wanted = AsciiLowerCase(name);
  Log("Killing windows with %s", name.c_str());
  // An empty name is in every title: it would ask the whole desktop,
  // this program's own window included, to close.
  if (wanted.empty())
    return;
  const CloseTiming timing = CurrentCloseTiming();
  const std::set<long> ours = ProcessesOfThisPrefix();
  platform::TopWindows desktop;
  for (const platform::TopWindows::WindowId window : desktop.List()) {
    const std::optional<std::string> title = desktop.Title(window);
    if (!title)
      continue;
    const std::string lowered = AsciiLowerCase(*title);
    if (lowered.find(wanted) == std::string::npos)
      continue;
    const auto owner = desktop.ProcessId(window);
    if (!owner || ours.count(*owner) == 0)
      continue;
    Log("Window %s sent WM_CLOSE", lowered.c_str());
    desktop.RequestClose(window, timing.waitBound);
    std::this_thread::sleep_for(timing.pause);
  }
}

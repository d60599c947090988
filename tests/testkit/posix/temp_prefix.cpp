// TempPrefix's start and end on Linux: OSTREL_PREFIX names its folder.
#include "testkit/temp_prefix.h"
#include "testkit/host.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/application.h"
#include "brand/skin.h"
#include "platform/machine_policy.h"
#include "support/log.h"
#include "support/settings.h"

namespace {

// Restores a variable of the environment as it was.
void Restore(const char* name, bool had, const std::string& value) {
  if (had) {
    SetEnvironment(name, value.c_str());
  } else {
    UnsetEnvironment(name);
  }
}

std::filesystem::path PolicyFile(const std::filesystem::path& root) {
  return root / "policy" / "policy.ini";
}

}  // namespace

TempPrefix::TempPrefix() : m_folder("ostrel-test-") {
  if (const char* saved = std::getenv("OSTREL_PREFIX")) {
    m_hadPrefix = true;
    m_savedPrefix = saved;
  }
  if (const char* saved = std::getenv("XDG_STATE_HOME")) {
    m_hadStateHome = true;
    m_savedStateHome = saved;
  }
  SetEnvironment("OSTREL_PREFIX", Root().c_str());
  // The updater's own records stay with the test, never in the home folder.
  SetEnvironment("XDG_STATE_HOME", (Root() / "state").c_str());
  // Never the machine's policy, which a test cannot know.
  platform::UseMachinePolicyLocationForTests({PolicyFile(Root()).string(), ::getuid()});
  StartProcessStateAfresh();
}

TempPrefix::~TempPrefix() {
  EndProcessState();
  Restore("OSTREL_PREFIX", m_hadPrefix, m_savedPrefix);
  Restore("XDG_STATE_HOME", m_hadStateHome, m_savedStateHome);
}

void TempPrefix::SetMachinePolicy(const std::vector<MachinePolicyEntry>& entries) const {
  std::string text;
  std::string section;
  for (const MachinePolicyEntry& entry : entries) {
    if (entry.section != section)
      text += "[" + (section = entry.section) + "]\n";
    text += entry.name + "=" + entry.value + "\n";
  }
  const std::filesystem::path file = PolicyFile(Root());
  std::filesystem::create_directories(file.parent_path());
  ::chmod(file.parent_path().c_str(), 0755);
  WriteHostFile(file, text);
  ::chmod(file.c_str(), 0644);
}

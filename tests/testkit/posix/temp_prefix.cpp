// TempPrefix's start and end on Linux: OSTREL_PREFIX names its folder.
#include "testkit/temp_prefix.h"
#include "testkit/host.h"

#include <cstdlib>

#include "app/application.h"
#include "brand/skin.h"
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
  StartProcessStateAfresh();
}

TempPrefix::~TempPrefix() {
  EndProcessState();
  Restore("OSTREL_PREFIX", m_hadPrefix, m_savedPrefix);
  Restore("XDG_STATE_HOME", m_hadStateHome, m_savedStateHome);
}

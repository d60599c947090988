// TempPrefix's start and end on Linux: OSTREL_PREFIX names its folder.
#include "testkit/temp_prefix.h"

#include <cstdlib>

#include "app/application.h"
#include "brand/skin.h"
#include "support/log.h"
#include "support/settings.h"

TempPrefix::TempPrefix() : m_folder("ostrel-test-") {
  if (const char* saved = std::getenv("OSTREL_PREFIX")) {
    m_hadPrefix = true;
    m_savedPrefix = saved;
  }
  setenv("OSTREL_PREFIX", Root().c_str(), 1);
  SetProfileName("ostrel.ini");
  RestartLog();
  ForgetSkin();
  ResetCommandLine();
}

TempPrefix::~TempPrefix() {
  RestartLog();
  ForgetSkin();
  ResetCommandLine();
  if (m_hadPrefix) {
    setenv("OSTREL_PREFIX", m_savedPrefix.c_str(), 1);
  } else {
    unsetenv("OSTREL_PREFIX");
  }
}

#include <cstdlib>

#include "testkit/host.h"

// _putenv_s changes the environment that getenv and started programs see; an
// empty value takes the variable out.
void SetEnvironment(const char* name, const std::string& value) {
  _putenv_s(name, value.c_str());
}

void UnsetEnvironment(const char* name) {
  _putenv_s(name, "");
}

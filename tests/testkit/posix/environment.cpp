#include <cstdlib>

#include "testkit/host.h"

void SetEnvironment(const char* name, const std::string& value) {
  ::setenv(name, value.c_str(), 1);
}

void UnsetEnvironment(const char* name) {
  ::unsetenv(name);
}

// What the tests take from POSIX and Windows spells otherwise, given to every
// Windows test program (-include): setenv and unsetenv over _putenv_s, which
// changes the process's environment as children and getenv see it, and the
// longest file name.
#pragma once

#include <cstdlib>

inline int setenv(const char* name, const char* value, int overwrite) {
  if (overwrite == 0 && std::getenv(name) != nullptr)
    return 0;
  return _putenv_s(name, value);
}

// An empty value takes the variable out.
inline int unsetenv(const char* name) {
  return _putenv_s(name, "");
}

#ifndef NAME_MAX
#define NAME_MAX 255
#endif

// What a test needs of the system it runs on, said next to the test itself:
// whether it is Windows, and the process environment, set alike on both.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#ifdef _WIN32
inline constexpr bool kTestRunsOnWindows = true;
#else
inline constexpr bool kTestRunsOnWindows = false;
#endif

// The longest file name the file system takes, in bytes of its names' text.
inline constexpr std::size_t kLongestFileName = 255;

// Ends a test as skipped on Windows, saying why: what it checks is Linux's or
// Wine's way, which the Windows build has no counterpart of.
#define SKIP_ON_WINDOWS(why)        \
  if constexpr (kTestRunsOnWindows) \
  GTEST_SKIP() << (why)

// The process's environment as children and getenv see it.
void SetEnvironment(const char* name, const std::string& value);
void UnsetEnvironment(const char* name);

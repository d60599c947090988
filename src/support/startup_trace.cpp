#include "support/startup_trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

}  // namespace

bool StartupTraceOn() {
  static const bool on = [] {
    const char* value = std::getenv("OSTREL_STARTUP_TRACE");
    return value != nullptr && *value != '\0';
  }();
  return on;
}

void TraceStartup(const char* step) {
  if (!StartupTraceOn())
    return;
  static const Clock::time_point first = Clock::now();
  const Clock::time_point now = Clock::now();
  std::fprintf(stderr, "ostrel-update start-up: %8.1f ms  %s  [clock %.3f ms]\n",
               Milliseconds(now - first), step, Milliseconds(now.time_since_epoch()));
  std::fflush(stderr);
}

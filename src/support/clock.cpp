#include "support/clock.h"

#include <atomic>

namespace {

std::atomic<std::time_t> g_fixedTime{0};

}  // namespace

std::time_t CurrentTime() {
  const std::time_t fixed = g_fixedTime.load();
  return fixed != 0 ? fixed : std::time(nullptr);
}

void FixCurrentTime(std::time_t at) {
  g_fixedTime.store(at);
}

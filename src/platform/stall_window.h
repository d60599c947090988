// Whether a transfer has stalled: fewer than HttpLimits::kStallBytes arrived
// in the last stall time (HttpLimits::lowSpeedTime). Bytes count whether they
// are headers or bodies: they show that the server is alive. Samples of the
// bytes arrived are taken a second apart at most, and kept for one stall
// time: enough to tell the bytes of the last stall time. One thread at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <utility>

namespace platform {

class StallWindow {
 public:
  using Clock = std::chrono::steady_clock;

  // Starts afresh, nothing arrived yet.
  void Start(std::chrono::seconds stallTime);
  void Arrived(std::uint64_t bytes) { m_arrived += bytes; }
  bool Stalled();

 private:
  std::chrono::seconds m_stallTime{60};
  std::uint64_t m_arrived = 0;
  // (time, bytes arrived by then), the oldest at most one stall time old.
  std::deque<std::pair<Clock::time_point, std::uint64_t>> m_samples;
};

}  // namespace platform

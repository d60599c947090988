#include "platform/stall_window.h"

#include "platform/http.h"

namespace platform {

namespace {

constexpr auto kSampleInterval = std::chrono::seconds(1);

}  // namespace

void StallWindow::Start(std::chrono::seconds stallTime) {
  m_stallTime = stallTime;
  m_arrived = 0;
  m_samples.assign(1, {Clock::now(), 0});
}

bool StallWindow::Stalled() {
  const auto now = Clock::now();
  if (now - m_samples.back().first >= kSampleInterval)
    m_samples.emplace_back(now, m_arrived);
  while (m_samples.size() >= 2 && m_samples[1].first <= now - m_stallTime)
    m_samples.pop_front();
  return m_samples.front().first <= now - m_stallTime &&
         m_arrived - m_samples.front().second < HttpLimits::kStallBytes;
}

}  // namespace platform

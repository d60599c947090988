#include "app/gui/ui_thread_call.h"

#include <wx/app.h>

bool UiThreadCalls::Queue(const std::shared_ptr<Pending>& pending, std::function<void()> call) {
  std::lock_guard lock(m_mutex);
  if (m_bStopped || wxTheApp == nullptr)
    return false;
  m_pending.insert(pending);
  wxTheApp->CallAfter(std::move(call));
  return true;
}

void UiThreadCalls::Finish(const std::shared_ptr<Pending>& pending) {
  std::lock_guard lock(m_mutex);
  m_pending.erase(pending);
}

void UiThreadCalls::Stop() {
  std::set<std::shared_ptr<Pending>> pending;
  {
    std::lock_guard lock(m_mutex);
    m_bStopped = true;
    pending.swap(m_pending);
  }
  for (const auto& call : pending)
    call->answerWithFallback();
}

void UiThreadCalls::Restart() {
  std::lock_guard lock(m_mutex);
  m_bStopped = false;
}

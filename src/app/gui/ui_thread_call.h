// Carries out a call on the UI thread for another thread, which waits for
// the answer: how the download worker shows a message box or asks for
// credentials without touching a window itself.
//
// A call made on the UI thread runs at once. Once Stop() has been called (the
// main window is closing and is about to wait for the worker), every pending
// call and every later one is answered at once with its fallback, so the
// worker never waits on a UI thread that is waiting for it.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>

class UiThreadCalls {
 public:
  template <class Result>
  Result Call(std::function<Result()> call, Result fallback);

  // Answers every pending call with its fallback; later calls get theirs at
  // once. UI thread.
  void Stop();
  // Serves calls again (a new main window). UI thread.
  void Restart();

 private:
  struct Pending {
    std::function<void()> answerWithFallback;
  };
  // Runs `call` on the UI thread (CallAfter) unless stopped; false when it
  // could not be queued.
  bool Queue(const std::shared_ptr<Pending>& pending, std::function<void()> call);
  void Finish(const std::shared_ptr<Pending>& pending);

  std::mutex m_mutex;
  bool m_bStopped = false;
  std::set<std::shared_ptr<Pending>> m_pending;
};

template <class Result>
Result UiThreadCalls::Call(std::function<Result()> call, Result fallback) {
  struct State {
    std::mutex mutex;
    std::condition_variable answered;
    std::optional<Result> result;
  };
  auto state = std::make_shared<State>();
  const auto answer = [state](Result result) {
    std::lock_guard lock(state->mutex);
    if (!state->result) {
      state->result = std::move(result);
      state->answered.notify_all();
    }
  };
  auto pending = std::make_shared<Pending>();
  pending->answerWithFallback = [answer, fallback] { answer(fallback); };
  const bool queued = Queue(pending, [this, pending, state, call, answer] {
    {
      std::lock_guard lock(state->mutex);
      if (state->result)
        return;  // answered by Stop() meanwhile
    }
    answer(call());
    Finish(pending);
  });
  if (!queued)
    return fallback;
  std::unique_lock lock(state->mutex);
  state->answered.wait(lock, [&] { return state->result.has_value(); });
  return *state->result;
}

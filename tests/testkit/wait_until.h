// Waiting for what another thread or process brings about, without guessing
// how long it takes.
#pragma once

#include <chrono>
#include <functional>

// Checks `condition` again and again, a moment apart, until it holds or
// `bound` has passed (the bound only keeps a broken test from hanging); true
// when it held. Any thread.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound);

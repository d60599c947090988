// A process's number as the system gives it: a pid on Linux, a process
// identifier on Windows. Both fit; neither is ever negative.
#pragma once

#include <cstdint>

namespace platform {

using ProcessId = std::int64_t;

}  // namespace platform

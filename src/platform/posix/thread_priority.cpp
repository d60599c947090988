#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

// On Linux a thread's nice value is its own, set through its thread id.
void LowerThisThreadsPriority() {
  const auto self = static_cast<id_t>(::gettid());
  errno = 0;
  const int now = ::getpriority(PRIO_PROCESS, self);
  if (errno == 0)
    ::setpriority(PRIO_PROCESS, self, now + 1);
}

}  // namespace platform

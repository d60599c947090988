#include "platform/thread_priority.h"

#include <windows.h>

namespace platform {

void LowerThisThreadsPriority() {
  const HANDLE self = ::GetCurrentThread();
  const int now = ::GetThreadPriority(self);
  if (now != THREAD_PRIORITY_ERROR_RETURN && now > THREAD_PRIORITY_LOWEST)
    ::SetThreadPriority(self, now - 1);
}

}  // namespace platform

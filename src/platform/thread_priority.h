// The scheduling priority of the calling thread. Any thread may call it, for
// itself only.
#pragma once

namespace platform {

// One step below its siblings, so that a worker never starves the window.
// Where the system refuses, the thread keeps the normal priority.
void LowerThisThreadsPriority();

}  // namespace platform

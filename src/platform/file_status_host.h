// Each host's way with the C runtime descriptors that both systems' open
// files are (file_status.h reads their status). Only the platform layer calls
// these.
#pragma once

namespace platform::host {

// Closes an open descriptor; false (the system's reason kept) when closing
// reports a failure, such as a write that did not reach the disk.
bool CloseFile(int descriptor);

}  // namespace platform::host

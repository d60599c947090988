// On Windows, <windows.h> names its functions through macros (MessageBox
// stands for MessageBoxW), which would rename the desktop interface's members
// in the files that happen to see it after the interface. Included before the
// interface, this brings the system header in first, as wxWidgets does, and
// undoes the names that clash. Nothing on Linux.
#pragma once

#ifdef _WIN32
#include <wx/msw/wrapwin.h>
#undef MessageBox
#endif

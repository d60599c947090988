#include "platform/default_application.h"

#include <windows.h>
//
#include <objbase.h>
#include <shellapi.h>

namespace platform {

bool OpenWithDefaultApplication(const std::filesystem::path& hostPath) {
  // The shell asks COM of the calling thread; a thread that has no apartment
  // yet gets one for the call.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  // No verb: the file's default action, which is not "open" for every kind
  // of file (a document type may make "edit" or "print" its default).
  const HINSTANCE result =
      ::ShellExecuteW(nullptr, nullptr, hostPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (SUCCEEDED(com))
    ::CoUninitialize();
  // Values above 32 mean the application was started.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace platform

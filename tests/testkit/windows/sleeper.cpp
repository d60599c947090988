// A Windows program the tests start under the suite's executable names: it
// prints its arguments on one line, then sleeps the seconds its first
// argument says (60 when none), so that a crashed test leaves it only a while.
// With "--hidden-window TITLE" after the seconds it keeps a top-level window
// of that title, never shown, and ends as soon as that window is asked to
// close, as a start-up program that lives in the background does.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

LRESULT CALLBACK HiddenWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY)
    PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

// Runs until the window is closed or `seconds` have passed.
int KeepHiddenWindow(const char* title, DWORD seconds) {
  WNDCLASSA type{};
  type.lpfnWndProc = HiddenWindow;
  type.hInstance = GetModuleHandleA(nullptr);
  type.lpszClassName = "OstrelTestHidden";
  RegisterClassA(&type);
  const HWND window = CreateWindowExA(0, type.lpszClassName, title, WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                      100, nullptr, nullptr, type.hInstance, nullptr);
  if (window == nullptr)
    return 1;
  SetTimer(window, 1, seconds * 1000, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER)
      return 0;
    DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    std::printf(i == 1 ? "%s" : " %s", argv[i]);
  std::printf("\n");
  std::fflush(stdout);
  const DWORD seconds = static_cast<DWORD>(argc > 1 ? std::atoi(argv[1]) : 60);
  if (argc > 3 && std::strcmp(argv[2], "--hidden-window") == 0)
    return KeepHiddenWindow(argv[3], seconds);
  Sleep(seconds * 1000);
  return 0;
}

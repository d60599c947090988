/* A program of the suite, as far as the tests need one: it starts the command
 * line it is given, as the suite's programs start <install folder>\update.exe
 * (CreateProcess, no console), waits for it, and ends with its exit status;
 * 255 when it could not be started. Built for whichever Windows the tests run:
 * Wine's prefix for the Linux program's bridge, the Windows program's own. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)show;
  STARTUPINFOW startup;
  PROCESS_INFORMATION process;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  /* CreateProcess may write into the line it is given. */
  static wchar_t line[32768];
  lstrcpynW(line, commandLine, 32768);
  if (!CreateProcessW(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
    return 255;
  DWORD status = 255;
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return (int)status;
}

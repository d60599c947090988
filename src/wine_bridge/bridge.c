/* update.exe for a suite that runs under Wine: the suite's programs, its
 * start-up program and login scripts start c:\ostrel\update.exe with the
 * updater's options, and this program starts the native Linux updater in the
 * same prefix with the same arguments, waits for it, and ends with its exit
 * status.
 *
 * Wine starts a Unix program when CreateProcess is given one, but returns no
 * handle to wait on. So the updater runs under /bin/sh, which holds one end
 * of a loopback connection as descriptor 3 and writes the updater's exit
 * status into it when the updater ends; its end closing is how a killed shell
 * shows, so the wait never outlasts the processes. Nothing else holds that
 * end: the updater and the installers it starts never see it.
 *
 * The native updater's path is in the trailer that `ostrel-update
 * --install-bridge` appended to this copy (bridge_text.h). Its prefix is this
 * one: OSTREL_PREFIX is set to the prefix that holds this program's C: drive,
 * whatever the environment said. Its standard output is this program's, its
 * standard error Wine's. */
// winsock2.h before windows.h, which would bring the old winsock.h.
#include <winsock2.h>
//
#include <windows.h>
//
#include <shellapi.h>

#include "bridge_text.h"

typedef char*(__cdecl* UnixFileName)(const WCHAR* dosName);
typedef WCHAR*(__cdecl* DosFileName)(const char* unixName);

/* The updater's exit status goes to descriptor 3, which nothing the updater
 * starts inherits; its standard input is nothing. */
static const wchar_t kScript[] = L"exec 3<&0 0</dev/null; \"$@\" 3<&-; echo \"$?\" >&3";
static const char kDriveC[] = "dosdevices/c:/";
enum { kLineRoom = 32768, kFailure = 1 };

static void write_error(const wchar_t* text) {
  char utf8[2048];
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8 - 1, NULL, NULL);
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  if (size > 0 && err != NULL && err != INVALID_HANDLE_VALUE) {
    utf8[size - 1] = '\n';
    WriteFile(err, "update.exe: ", 12, &written, NULL);
    WriteFile(err, utf8, (DWORD)size, &written, NULL);
  }
}

/* Said on standard error and, when there is a desktop, in a message box: the
 * suite's user has no other way to see it. */
static int fail(const wchar_t* text) {
  write_error(text);
  MessageBoxW(NULL, text, L"update", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  return kFailure;
}

static int fail_with(const wchar_t* text, const wchar_t* detail) {
  wchar_t message[2048];
  wsprintfW(message, text, detail);
  return fail(message);
}

/* The native updater's path (UTF-8) from this program's trailer; 0 when there
 * is none. */
static int read_native_path(char* path, size_t room) {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(NULL, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return 0;
  const HANDLE file = CreateFileW(self, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, NULL,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE)
    return 0;
  static unsigned char tail[BRIDGE_LONGEST_TRAILER];
  LARGE_INTEGER size;
  DWORD got = 0;
  int found = 0;
  if (GetFileSizeEx(file, &size)) {
    const LONGLONG wanted = size.QuadPart < (LONGLONG)sizeof tail ? size.QuadPart : sizeof tail;
    LARGE_INTEGER start;
    start.QuadPart = size.QuadPart - wanted;
    const unsigned char* first = NULL;
    long pathLength = -1;
    if (SetFilePointerEx(file, start, NULL, FILE_BEGIN) &&
        ReadFile(file, tail, (DWORD)wanted, &got, NULL) && got == (DWORD)wanted)
      pathLength = bridge_trailer_path(tail, got, &first);
    if (pathLength > 0 && (size_t)pathLength < room) {
      memcpy(path, first, (size_t)pathLength);
      path[pathLength] = '\0';
      found = 1;
    }
  }
  CloseHandle(file);
  return found;
}

/* The prefix folder of this Wine, from where it keeps drive C:, as wide text
 * in `prefix`; 0 when Wine keeps C: elsewhere. */
static int find_prefix(UnixFileName unix_name, wchar_t* prefix, int room) {
  char* drive = unix_name(L"C:\\");
  int found = 0;
  if (drive != NULL) {
    const size_t length = strlen(drive);
    const size_t tail = sizeof kDriveC - 1;
    if (length > tail && strcmp(drive + length - tail, kDriveC) == 0) {
      drive[length - tail - 1] = '\0'; /* and the slash before it */
      found = MultiByteToWideChar(CP_UTF8, 0, drive, -1, prefix, room) > 0;
    }
    HeapFree(GetProcessHeap(), 0, drive);
  }
  return found;
}

/* Two connected loopback sockets: *ours stays here, *theirs becomes the
 * shell's. */
static int connected_pair(SOCKET* ours, SOCKET* theirs) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
    return 0;
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  struct sockaddr_in address;
  int size = sizeof address;
  memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  *ours = *theirs = INVALID_SOCKET;
  if (listener != INVALID_SOCKET && bind(listener, (struct sockaddr*)&address, size) == 0 &&
      listen(listener, 1) == 0 && getsockname(listener, (struct sockaddr*)&address, &size) == 0) {
    *theirs = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (*theirs != INVALID_SOCKET &&
        connect(*theirs, (struct sockaddr*)&address, sizeof address) == 0)
      *ours = accept(listener, NULL, NULL);
  }
  if (listener != INVALID_SOCKET)
    closesocket(listener);
  if (*ours == INVALID_SOCKET && *theirs != INVALID_SOCKET)
    closesocket(*theirs);
  return *ours != INVALID_SOCKET;
}

/* Reads the status the shell writes; -1 when it ended without one. */
static int read_status(SOCKET ours) {
  char text[32];
  int used = 0;
  int got;
  while ((got = recv(ours, text + used, (int)sizeof text - 1 - used, 0)) > 0) {
    used += got;
    if (used == (int)sizeof text - 1)
      break;
  }
  text[used] = '\0';
  int status = 0;
  int digits = 0;
  for (const char* c = text; *c >= '0' && *c <= '9' && digits < 4; ++c, ++digits)
    status = status * 10 + (*c - '0');
  return digits > 0 && text[digits] == '\n' ? status : -1;
}

static int append(wchar_t* line, size_t* used, const wchar_t* argument) {
  return bridge_append_argument(line, kLineRoom, used, argument) == 0;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)commandLine;
  (void)show;
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const UnixFileName unix_name =
      (UnixFileName)(void*)GetProcAddress(kernel, "wine_get_unix_file_name");
  const DosFileName dos_name = (DosFileName)(void*)GetProcAddress(kernel, "wine_get_dos_file_name");
  if (unix_name == NULL || dos_name == NULL)
    return fail(
        L"this program starts ostrel-update for a suite that runs under Wine on Linux; "
        L"on Windows, install the Windows updater instead.");

  static char native[BRIDGE_LONGEST_PATH + 1];
  if (!read_native_path(native, sizeof native))
    return fail(L"this copy names no updater to start: run ostrel-update --install-bridge again.");
  static wchar_t nativeWide[BRIDGE_LONGEST_PATH + 1];
  MultiByteToWideChar(CP_UTF8, 0, native, -1, nativeWide, BRIDGE_LONGEST_PATH + 1);
  WCHAR* nativeDos = dos_name(native);
  const int nativeThere =
      nativeDos != NULL && GetFileAttributesW(nativeDos) != INVALID_FILE_ATTRIBUTES;
  if (nativeDos != NULL)
    HeapFree(GetProcessHeap(), 0, nativeDos);
  if (!nativeThere)
    return fail_with(
        L"the updater %s is not there: install ostrel-update, then run "
        L"ostrel-update --install-bridge again.",
        nativeWide);

  static wchar_t prefix[BRIDGE_LONGEST_PATH + 1];
  if (find_prefix(unix_name, prefix, BRIDGE_LONGEST_PATH + 1))
    SetEnvironmentVariableW(L"OSTREL_PREFIX", prefix);

  static wchar_t line[kLineRoom];
  size_t used = 0;
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  int fits = arguments != NULL && append(line, &used, L"sh") && append(line, &used, L"-c") &&
             append(line, &used, kScript) && append(line, &used, L"sh") &&
             append(line, &used, nativeWide);
  for (int i = 1; fits && i < count; ++i)
    fits = append(line, &used, arguments[i]);
  if (arguments != NULL)
    LocalFree(arguments);
  if (!fits)
    return fail(L"the command line is too long.");

  WCHAR* shell = dos_name("/bin/sh");
  SOCKET ours;
  SOCKET theirs;
  if (shell == NULL || !connected_pair(&ours, &theirs))
    return fail(L"/bin/sh cannot be reached from Wine.");
  STARTUPINFOW startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = (HANDLE)theirs;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process;
  memset(&process, 0, sizeof process);
  /* Detached: Wine would otherwise give a Unix program started from a program
   * without a console no standard handles at all. */
  const BOOL started = CreateProcessW(shell, line, NULL, NULL, FALSE, DETACHED_PROCESS, NULL, NULL,
                                      &startup, &process);
  const DWORD error = GetLastError();
  HeapFree(GetProcessHeap(), 0, shell);
  closesocket(theirs);
  if (!started) {
    wchar_t code[16];
    wsprintfW(code, L"%lu", error);
    return fail_with(L"/bin/sh could not be started (error %s).", code);
  }
  if (process.hProcess != NULL)
    CloseHandle(process.hProcess);
  if (process.hThread != NULL)
    CloseHandle(process.hThread);
  const int status = read_status(ours);
  closesocket(ours);
  if (status < 0) {
    write_error(L"the updater ended without an exit status.");
    return kFailure;
  }
  return status;
}

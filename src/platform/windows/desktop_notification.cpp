#include "platform/desktop_notification.h"

#include <windows.h>
//
#include <shellapi.h>

#include <iterator>
#include <string>

// The notification is a balloon of an icon of our own in the notification
// area (Shell_NotifyIconW with NIF_INFO); Windows 10 and later show such a
// balloon as a toast and put it in the action centre. Version 4 of the icon's
// behaviour sends NIN_BALLOONUSERCLICK when the balloon (or toast) is
// clicked, and NIN_SELECT / NIN_KEYSELECT when the icon is. The icon stays,
// with the text as its tip, until it is chosen or patience runs out, so that
// a balloon missed while the user was away can still be acted on. (Microsoft's
// documentation of Shell_NotifyIconW and NOTIFYICONDATAW.) Wine draws the
// icon and balloon in its own system tray, which a test prefix without a
// desktop does not show: this is reasoned from the documentation, not run.

namespace platform {

namespace {

constexpr UINT kIconMessage = WM_APP + 1;
constexpr UINT_PTR kPatienceTimer = 1;
// The application icon of the resources (res/ostrel-update.rc).
constexpr WORD kAppIconId = 128;

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty())
    return {};
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
  return text;
}

// Copies as much of `text` as fits, always ending it.
template <std::size_t N>
void CopyInto(wchar_t (&field)[N], const std::wstring& text) {
  const std::size_t count = text.size() < N - 1 ? text.size() : N - 1;
  text.copy(field, count);
  field[count] = L'\0';
}

struct Outcome {
  bool chosen = false;
};

LRESULT CALLBACK NotificationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* outcome = reinterpret_cast<Outcome*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == kIconMessage && outcome != nullptr) {
    switch (LOWORD(lParam)) {
      case NIN_BALLOONUSERCLICK:
      case NIN_SELECT:
      case NIN_KEYSELECT:
        outcome->chosen = true;
        ::PostQuitMessage(0);
        return 0;
      default:
        return 0;
    }
  }
  if (message == WM_TIMER && wParam == kPatienceTimer) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool ShowDesktopNotification(const std::string& title, const std::string& text,
                             std::chrono::seconds patience, std::string& problem) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = NotificationWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"OstrelUpdateNotification";
  ::RegisterClassW(&windowClass);
  // Never shown: it only receives the icon's messages.
  HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr,
                                  nullptr, instance, nullptr);
  if (window == nullptr) {
    problem = "no window for the notification icon could be made";
    return false;
  }
  Outcome outcome;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&outcome));

  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = window;
  icon.uID = 1;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  icon.uCallbackMessage = kIconMessage;
  icon.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(kAppIconId));
  if (icon.hIcon == nullptr)
    icon.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  CopyInto(icon.szTip, Wide(text));
  CopyInto(icon.szInfo, Wide(text));
  CopyInto(icon.szInfoTitle, Wide(title));
  icon.dwInfoFlags = NIIF_INFO;
  if (!::Shell_NotifyIconW(NIM_ADD, &icon)) {
    // No shell with a notification area (a service's session, say).
    problem = "there is no notification area to show it in";
    ::DestroyWindow(window);
    return false;
  }
  icon.uVersion = NOTIFYICON_VERSION_4;
  ::Shell_NotifyIconW(NIM_SETVERSION, &icon);
  const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(patience);
  ::SetTimer(window, kPatienceTimer, static_cast<UINT>(milliseconds.count()), nullptr);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ::KillTimer(window, kPatienceTimer);
  ::Shell_NotifyIconW(NIM_DELETE, &icon);
  ::DestroyWindow(window);
  return outcome.chosen;
}

bool StartUpdaterWindow() {
  wchar_t self[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
  if (length == 0 || length >= std::size(self))
    return false;
  std::wstring commandLine = L"\"" + std::wstring(self, length) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
    return false;
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return true;
}

}  // namespace platform

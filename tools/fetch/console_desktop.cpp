#include "console_desktop.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
// windows.h would rename the desktop's MessageBox to MessageBoxA.
#undef MessageBox
#else
#include <termios.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <iostream>

#include "platform/codepage.h"

namespace {

bool ReadLine(std::string& line) {
  if (!std::getline(std::cin, line))
    return false;
  if (!line.empty() && line.back() == '\r')
    line.pop_back();
  return true;
}

#ifdef _WIN32
bool InputIsTerminal() {
  return _isatty(_fileno(stdin)) != 0;
}

// Reads a line from the console without showing what is typed.
bool ReadSecretLine(std::string& line) {
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD saved = 0;
  const bool console = ::GetConsoleMode(input, &saved) != 0;
  if (console)
    ::SetConsoleMode(input, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  const bool read = ReadLine(line);
  if (console) {
    ::SetConsoleMode(input, saved);
    std::fputs("\n", stderr);
  }
  return read;
}
#else
bool InputIsTerminal() {
  return isatty(STDIN_FILENO) != 0;
}

// Reads a line from the terminal without showing what is typed.
bool ReadSecretLine(std::string& line) {
  termios saved{};
  const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  const bool read = ReadLine(line);
  if (terminal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputs("\n", stderr);
  }
  return read;
}
#endif

}  // namespace

void FetchConsoleDesktop::MessageBox(const std::string& text) {
  std::fprintf(stderr, "message: %s\n", platform::Cp1252ToUtf8(text).c_str());
  std::fflush(stderr);
}

std::optional<Desktop::Credentials> FetchConsoleDesktop::AskCredentials(const std::string& site) {
  const bool interactive = InputIsTerminal();
  Credentials given;
  if (interactive) {
    std::fprintf(stderr, "%s asks for a user name and password (an empty name cancels).\n",
                 platform::Cp1252ToUtf8(site).c_str());
    std::fputs("User name: ", stderr);
    std::fflush(stderr);
  }
  if (!ReadLine(given.user) || given.user.empty())
    return std::nullopt;
  if (interactive) {
    std::fputs("Password: ", stderr);
    std::fflush(stderr);
  }
  if (!(interactive ? ReadSecretLine(given.password) : ReadLine(given.password)))
    return std::nullopt;
  return given;
}

#include "support/desktop.h"

#include <atomic>
#include <cstdio>

void ConsoleDesktop::MessageBox(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
}

std::optional<Desktop::Credentials> ConsoleDesktop::AskCredentials(const std::string&) {
  return std::nullopt;
}

namespace {

ConsoleDesktop g_console;
std::atomic<Desktop*> g_desktop{nullptr};

}  // namespace

Desktop& TheDesktop() {
  Desktop* desktop = g_desktop.load();
  return desktop != nullptr ? *desktop : g_console;
}

void SetDesktop(Desktop* desktop) {
  g_desktop.store(desktop);
}

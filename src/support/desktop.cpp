#include "support/desktop.h"

#include <atomic>
#include <cstdio>

namespace {

class ConsoleDesktop final : public Desktop {
 public:
  void MessageBox(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  std::optional<Credentials> AskCredentials(const std::string&) override { return std::nullopt; }
  void PostCommand(int) override {}
  void SetMessageText(const std::string&) override {}
  void OpenProgress() override {}
  bool RunSetupDialog(std::string&) override { return false; }
  void OpenWithDefaultApplication(const std::string&) override {}
  void UpdateAllViews(int) override {}
};

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

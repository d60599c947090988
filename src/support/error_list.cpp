#include "support/error_list.h"

#include <fstream>

#include "platform/host_path.h"
#include "support/desktop.h"
#include "support/settings.h"

namespace {
constexpr std::size_t kMostLinesInABox = 40;
}

void ShowErrors(const std::vector<std::string>& lines) {
  if (lines.empty())
    return;
  if (lines.size() <= kMostLinesInABox) {
    std::string text;
    for (const auto& line : lines)
      text += line + "\r\n";
    TheDesktop().MessageBox(text);
    return;
  }
  const std::string path = FileInFolder(GetTempFolder(), "errors.txt");
  {
    std::ofstream out(platform::HostPath(path), std::ios::binary | std::ios::trunc);
    for (const auto& line : lines)
      out << line << "\r\n";
  }
  TheDesktop().OpenWithDefaultApplication(path);
}

#include "app/recent_files.h"

#include <algorithm>

#include "support/log.h"
#include "support/settings.h"

namespace {

constexpr const char* kSection = "Recent File List";

std::string EntryName(std::size_t index) {
  return FormatText("File%zu", index + 1);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

}  // namespace

RecentFileList::RecentFileList(std::size_t maxFiles) : m_maxFiles(maxFiles) {}

void RecentFileList::Load() {
  m_files.clear();
  for (std::size_t i = 0; i < m_maxFiles; ++i) {
    std::string path = GetProfileString(kSection, EntryName(i), "");
    if (!path.empty())
      m_files.push_back(std::move(path));
  }
}

void RecentFileList::Add(const std::string& path) {
  if (path.empty())
    return;
  std::erase_if(m_files, [&](const std::string& file) { return SameIgnoringCase(file, path); });
  m_files.insert(m_files.begin(), path);
  if (m_files.size() > m_maxFiles)
    m_files.resize(m_maxFiles);
  Save();
}

void RecentFileList::Save() const {
  for (std::size_t i = 0; i < m_files.size(); ++i)
    WriteProfileString(kSection, EntryName(i), m_files[i]);
}

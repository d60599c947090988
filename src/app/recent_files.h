// The recent-file list of the framework's document handling: the last four
// document paths opened or saved, newest first, kept in the settings file as
// [Recent File List] File1..File4. The updater's document reads and writes no
// file, so the list is the only trace of Open and Save.
//
// UI thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class RecentFileList {
 public:
  explicit RecentFileList(std::size_t maxFiles = 4);

  // Reads the list from the settings file (empty entries are skipped).
  void Load();
  // Puts `path` first (a path already listed, compared without regard to
  // case, moves up), drops the oldest beyond the maximum, and writes the list
  // back.
  void Add(const std::string& path);

  const std::vector<std::string>& Files() const { return m_files; }

 private:
  void Save() const;

  std::size_t m_maxFiles;
  std::vector<std::string> m_files;
};

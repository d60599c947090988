// A throw-away Wine-style prefix for one test: OSTREL_PREFIX points at a fresh
// folder (and XDG_STATE_HOME, on Linux, at its "state" folder, for the
// updater's own records), the settings file is ostrel.ini, and the log
// starts afresh. The folder and the environment are restored when the object
// goes. The skin and the command line start afresh too, as in a new run.
//
// On Windows the suite's paths are the machine's own and Root() is only a
// fresh folder: the C: drive is the one of the throw-away Wine prefix the test
// program runs in, and what the test adds there goes when the object goes
// (windows/temp_prefix.cpp), and the updater's own records start afresh.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "testkit/temp_folder.h"

// A value of the machine policy: `section` "Update" or "CatalogueUrls".
struct MachinePolicyEntry {
  std::string section;
  std::string name;
  std::string value;
};

class TempPrefix {
 public:
  TempPrefix();
  ~TempPrefix();
  TempPrefix(const TempPrefix&) = delete;
  TempPrefix& operator=(const TempPrefix&) = delete;

  const std::filesystem::path& Root() const { return m_folder.Path(); }
  // The host path of a Windows path inside this prefix.
  std::filesystem::path Host(const std::string& windowsPath) const;
  std::string ReadFile(const std::string& windowsPath) const;
  void WriteFile(const std::string& windowsPath, const std::string& contents) const;
  // The machine policy the code under test reads, in place of the machine's
  // own, which it never reads while the object lives (and there is none at
  // the start). Linux: a file in the prefix, owned by the user the tests run
  // as, whom the policy reader is told to expect as its owner; Windows: the
  // policy key of the throw-away Wine prefix, a number as a DWORD.
  void SetMachinePolicy(const std::vector<MachinePolicyEntry>& entries) const;
  // log.txt of the default working folder.
  std::string LogText() const { return ReadFile("c:\\temp\\log.txt"); }

 private:
  // The process-wide state a test starts with (the settings file's name, a
  // fresh log, no skin, no command line) and leaves behind.
  static void StartProcessStateAfresh();
  static void EndProcessState();

  TempFolder m_folder;
  std::string m_savedPrefix;
  bool m_hadPrefix = false;
  std::string m_savedStateHome;
  bool m_hadStateHome = false;
#ifdef _WIN32
  std::set<std::filesystem::path> m_driveAtStart;
#endif
};

// Reads or writes a host file whole, bytes as they are.
std::string ReadHostFile(const std::filesystem::path& path);
void WriteHostFile(const std::filesystem::path& path, const std::string& contents);

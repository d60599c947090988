// The command line, turned into the OptionMap that every reader consults.
//
// Flags begin with "/" or "-" and are stored upper-cased with the value "T";
// "S" takes the next plain argument as its value (case kept); "SEL:name" also
// sets "sel" to the upper-cased name. Plain logic; the parser runs on the main
// thread before the main window exists, and the map is read-only afterwards.
#pragma once

#include <map>
#include <string>
#include <vector>

// Keys compare exactly, case included. Reading an absent key through [] gives
// the empty text (and leaves the key present), so absent and empty are alike.
class OptionMap {
 public:
  std::string& operator[](const std::string& key) { return m_values[key]; }
  std::string Get(const std::string& key) const {
    const auto it = m_values.find(key);
    return it == m_values.end() ? std::string() : it->second;
  }
  bool IsTrue(const std::string& key) const { return Get(key) == "T"; }
  bool Contains(const std::string& key) const { return m_values.count(key) != 0; }
  std::size_t Size() const { return m_values.size(); }

 private:
  std::map<std::string, std::string> m_values;
};

// What the framework's standard parser records; the system reads none of it
// but the first plain argument, a document path for the recent-file list.
class CCommandLineInfo {
 public:
  virtual ~CCommandLineInfo() = default;
  virtual void ParseParam(const std::string& param, bool isFlag, bool isLast);

  std::string m_strFileName;
  std::vector<std::string> m_flags;
};

class CUpdateCommandLineInfo : public CCommandLineInfo {
 public:
  void ParseParam(const std::string& param, bool isFlag, bool isLast) override;

  OptionMap m_Options;

 private:
  // Set by the flag "S": the key that the next plain argument fills. It
  // survives later flags ("/S /ALL blue" gives S=blue).
  std::string m_strPendingOption;
};

// Hands each argument after the program name to info.ParseParam: an argument
// beginning with "-" or "/" is a flag, passed without that character.
void ParseCommandLine(const std::vector<std::string>& arguments, CCommandLineInfo& info);

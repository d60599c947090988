#include "app/command_line.h"

#include "app/option_keys.h"
#include "platform/ascii.h"

void CCommandLineInfo::ParseParam(const std::string& param, bool isFlag, bool) {
  if (isFlag) {
    m_flags.push_back(param);
  } else if (m_strFileName.empty()) {
    m_strFileName = param;
  }
}

void CUpdateCommandLineInfo::ParseParam(const std::string& param, bool isFlag, bool isLast) {
  if (!isFlag) {
    if (!m_strPendingOption.empty()) {
      m_Options[m_strPendingOption] = param;
      m_strPendingOption.clear();
      return;
    }
    CCommandLineInfo::ParseParam(param, false, isLast);
    return;
  }
  const std::string upper = platform::AsciiUpperCased(param);
  if (upper.compare(0, 4, "SEL:") == 0)
    m_Options[option::kSelection] = upper.substr(4);
  CCommandLineInfo::ParseParam(param, true, isLast);
  // Whole strings moved in: GCC 12 at -O3 mistakes assigning a literal in
  // place for an overlapping copy.
  if (upper == option::kSkin) {
    m_strPendingOption = std::string(option::kSkin);
  } else {
    m_Options[upper] = std::string("T");
  }
}

void ParseCommandLine(const std::vector<std::string>& arguments, CCommandLineInfo& info) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool isFlag = !argument.empty() && (argument[0] == '-' || argument[0] == '/');
    info.ParseParam(isFlag ? argument.substr(1) : argument, isFlag, i + 1 == arguments.size());
  }
}

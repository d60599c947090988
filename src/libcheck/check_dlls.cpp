#include "libcheck/check_dlls.h"

#include <memory>

#include "platform/calendar_time.h"
#include "platform/file_status.h"
#include "platform/host_path.h"
#include "support/dates.h"
#include "support/settings.h"
#include "xml/text_input_file.h"
#include "xml/xml_var.h"

namespace {

struct CheckResult {
  bool allInOrder = true;
};

bool FileIsInOrder(const CXMLVar& file) {
  const std::string path = file.GetAttribute("path");
  // A path that is empty, missing, or whose status cannot be read is not in order.
  if (path.empty())
    return false;
  const auto status = platform::StatusOf(platform::HostPath(path));
  if (!status)
    return false;
  // A date later than the platform's time values reach: no file is that new.
  const std::optional<std::time_t> oldest = OldestAcceptableTime(file.GetAttribute("mtime"));
  return oldest && status->modified >= *oldest;
}

void CheckFileElement(CXMLVar* element, void* context) {
  if (element->m_strName != "File")
    return;
  if (!FileIsInOrder(*element))
    static_cast<CheckResult*>(context)->allInOrder = false;
}

}  // namespace

std::optional<std::time_t> OldestAcceptableTime(const std::string& mtime) {
  std::string date = mtime;
  int hours = 0;
  int minutes = 0;
  const std::size_t blank = mtime.find(' ');
  if (blank != std::string::npos && blank > 0) {
    hours = ReadDecimal(std::string_view(mtime).substr(blank + 1));
    if (blank + 4 < mtime.size())
      minutes = ReadDecimal(std::string_view(mtime).substr(blank + 4));
    date = mtime.substr(0, blank);
  }
  const std::optional<std::time_t> day = DateTextToTime(date);
  if (!day)
    return std::nullopt;
  const std::tm fields = platform::LocalTime(*day);
  return LocalMoment(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, hours, minutes);
}

bool CheckDlls() {
  auto root = std::make_unique<CXMLVar>("Files");
  {
    TextInputFile in(platform::HostPath(FileInFolder(GetInstallFolder(), "dllversion.txt")));
    if (in)
      root->ParseDocument(in);
  }
  CheckResult result;
  root->Traverse(CheckFileElement, &result, false);
  return result.allInOrder;
}

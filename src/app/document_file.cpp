#include "app/document_file.h"

#include "platform/file_status.h"
#include "platform/host_path.h"

bool SaveAsksForName(std::string_view pathName) {
  if (pathName.empty())
    return true;
  const auto status = platform::StatusOf(platform::HostPath(pathName));
  constexpr unsigned kWritable = 0222;
  return !status || status->folder || (status->permissions & kWritable) == 0;
}

std::string DocumentTitleOf(std::string_view pathName) {
  const std::size_t separator = pathName.find_last_of("\\/:");
  return std::string(separator == std::string_view::npos ? pathName
                                                         : pathName.substr(separator + 1));
}

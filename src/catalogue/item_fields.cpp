#include "catalogue/item_fields.h"

#include <climits>

#include "catalogue/transfer_file.h"
#include "platform/ascii.h"
#include "support/dates.h"

namespace {

constexpr std::string_view kUploadFolder = "file::y:\\upload\\";
constexpr std::size_t kLegacyServerUrlLength = 29;

}  // namespace

std::optional<std::string> InstallerFileName(std::string_view reference) {
  const std::size_t separator = reference.find_last_of("/\\");
  const std::string_view name =
      separator == std::string_view::npos ? reference : reference.substr(separator + 1);
  if (name.empty() || name == "." || name == "..")
    return std::nullopt;
  return std::string(name);
}

std::int32_t SizeInKilobytes(std::string_view size) {
  const std::int64_t number = ReadDecimal(size);
  const std::string lower = platform::AsciiLowerCased(std::string(size));
  const std::size_t mb = lower.find("mb");
  const std::int64_t kilobytes = (mb != std::string::npos && mb != 0) ? number * 1024 : number;
  if (kilobytes > INT32_MAX)
    return INT32_MAX;
  if (kilobytes < INT32_MIN)
    return INT32_MIN;
  return static_cast<std::int32_t>(kilobytes);
}

std::uint64_t InstallerByteLimit(std::string_view size) {
  const std::int32_t kilobytes = SizeInKilobytes(size);
  if (kilobytes <= 0)
    return kInstallerMostBytes;
  const std::uint64_t limit = 4 * std::uint64_t(kilobytes) * 1024 + kTextMostBytes;
  return limit < kInstallerMostBytes ? limit : kInstallerMostBytes;
}

std::string InfoName(std::string_view info) {
  return info.size() <= 4 ? std::string() : std::string(info.substr(0, info.size() - 4));
}

std::string SimulationReference(std::string_view reference) {
  std::string result(kUploadFolder);
  if (reference.size() > kLegacyServerUrlLength) {
    result.append(reference.substr(kLegacyServerUrlLength));
  }
  return result;
}

QueuePlace PlaceInQueue(std::string_view reference) {
  for (std::string_view special : {"cisinst.exe", "drivers.exe", "vcredist", "vista.exe"}) {
    if (reference.find(special) != std::string_view::npos)
      return QueuePlace::Skip;
  }
  if (reference.find("dll.exe") != std::string_view::npos)
    return QueuePlace::Head;
  return QueuePlace::Tail;
}

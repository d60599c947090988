#include "platform/calendar_time.h"

namespace platform {

// The _r forms: std::localtime and std::gmtime share one buffer between
// threads, and the worker logs while the window does.
std::tm LocalTime(std::time_t when) {
  std::tm fields{};
  localtime_r(&when, &fields);
  return fields;
}

std::tm UtcTime(std::time_t when) {
  std::tm fields{};
  gmtime_r(&when, &fields);
  return fields;
}

}  // namespace platform

#include "platform/calendar_time.h"

namespace platform {

// The _r forms (_s on Windows): std::localtime and std::gmtime share one buffer between
// threads, and the worker logs while the window does.
std::tm LocalTime(std::time_t when) {
  std::tm fields{};
#ifdef _WIN32
  localtime_s(&fields, &when);
#else
  localtime_r(&when, &fields);
#endif
  return fields;
}

std::tm UtcTime(std::time_t when) {
  std::tm fields{};
#ifdef _WIN32
  gmtime_s(&fields, &when);
#else
  gmtime_r(&when, &fields);
#endif
  return fields;
}

}  // namespace platform

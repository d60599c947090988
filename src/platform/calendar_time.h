// A moment broken into calendar fields, for formatting dates and times and
// for date arithmetic. Safe on any thread (nothing shared between calls).
#pragma once

#include <ctime>

namespace platform {

// In the local time zone, summer time included.
std::tm LocalTime(std::time_t when);

// In UTC.
std::tm UtcTime(std::time_t when);

}  // namespace platform

// A core file that calls a POSIX function declared by a standard header.
#include <ctime>

int ThisHour() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_hour;
}

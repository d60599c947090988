#include "support/dates.h"

#include "platform/decimal_text.h"

namespace {

constexpr int kMonthLengths[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr std::size_t kMostCharactersRead = 10;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool IsLeapYear(int year) {
  return year % 4 == 0 && year != 0;
}

int DaysInMonth(int year, int month) {
  if (month < 1 || month > 12)
    return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kMonthLengths[month];
}

int ExpandYear(int year) {
  if (year < 15)
    year += 100;
  if (year < 1900)
    year += 1900;
  return year;
}

bool ExpandEightDigitDate(std::string& text) {
  if (text.size() != 8)
    return false;
  for (char c : text) {
    if (!IsDigit(c))
      return false;
  }
  text = text.substr(0, 2) + "/" + text.substr(2, 2) + "/" + text.substr(4, 4);
  return true;
}

int NormaliseDateSeparators(std::string& text) {
  int count = 0;
  for (char& c : text) {
    if (count >= 2)
      break;
    if (c == '-' || c == '.' || c == '\\')
      c = '/';
    if (c == '/')
      ++count;
  }
  return count;
}

int ReadDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
    ++i;
  return platform::SaturatedDecimal(text.substr(i));
}

namespace {

// How far ParseDate got: the number of fields it could read (0, 2 or 3).
int ReadDateFields(std::string_view text, int& year, int& month, int& day) {
  std::string copy(text.substr(0, kMostCharactersRead));
  ExpandEightDigitDate(copy);
  NormaliseDateSeparators(copy);
  const std::size_t first = copy.find('/');
  if (first == std::string::npos)
    return 0;
  day = ReadDecimal(std::string_view(copy).substr(0, first));
  month = ReadDecimal(std::string_view(copy).substr(first + 1));
  const std::size_t second = copy.find('/', first + 1);
  if (second == std::string::npos)
    return 2;
  year = ExpandYear(ReadDecimal(std::string_view(copy).substr(second + 1)));
  return 3;
}

}  // namespace

bool ParseDate(std::string_view text, int& year, int& month, int& day) {
  if (ReadDateFields(text, year, month, day) < 3)
    return false;
  if (month < 1 || month > 12 || day < 1)
    return false;
  return day <= DaysInMonth(year, month);
}

std::optional<std::time_t> LocalMoment(int year, int month, int day, int hour, int minute) {
  // Roughly how many days after 1 January 1970 the moment lies: enough to
  // tell the two ends of the platform's range apart, in arithmetic that the
  // widest fields cannot overflow.
  const long long daysAfterEpoch = (static_cast<long long>(year) - 1970) * 365 +
                                   (static_cast<long long>(month) - 1) * 30 + day +
                                   (static_cast<long long>(hour) * 60 + minute) / (24 * 60);
  const auto outOfReach = [daysAfterEpoch]() -> std::optional<std::time_t> {
    if (daysAfterEpoch < 365)
      return 0;
    return std::nullopt;
  };
  // Fields this far out would overflow the int arithmetic that carries them,
  // and lie beyond every time value anyway.
  const auto beyond = [](int value, int limit) { return value > limit || value < -limit; };
  if (beyond(year, 100'000) || beyond(month, 1'200'000) || beyond(day, 40'000'000) ||
      beyond(hour, 1'000'000) || beyond(minute, 60'000'000))
    return outOfReach();
  std::tm moment{};
  moment.tm_year = year - 1900;
  moment.tm_mon = month - 1;
  moment.tm_mday = day;
  moment.tm_hour = hour;
  moment.tm_min = minute;
  moment.tm_isdst = -1;
  const std::time_t value = std::mktime(&moment);
  if (value != static_cast<std::time_t>(-1))
    return value;
  // The platform cannot hold the moment. Windows' time values start at 1970
  // (so local midnight on its first day fails east of Greenwich); anything
  // later that fails lies past their end.
  return outOfReach();
}

std::optional<std::time_t> DateTextToTime(std::string_view text) {
  if (text.empty())
    return 0;
  int year = 0;
  int month = 0;
  int day = 0;
  if (ReadDateFields(text, year, month, day) < 3)
    return 0;
  return LocalMoment(ExpandYear(year), month, day, 12, 0);
}

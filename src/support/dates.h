// Day/month/year date texts, as the library version list writes them.
//
// Accepted: day, month, year separated by "/", "-", "." or "\", two- or
// four-digit years, or eight digits DDMMYYYY; only the first 10 characters
// count. Pure functions, safe on any thread.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// 0..14 -> 2000..2014, 15..99 -> 1915..1999, 100..1899 -> 2000..3799.
int ExpandYear(int year);

// "DDMMYYYY" -> "DD/MM/YYYY"; true when rewritten.
bool ExpandEightDigitDate(std::string& text);

// Turns "-", "." and "\" into "/" up to the second separator; returns how many
// separators were counted (0, 1 or 2).
int NormaliseDateSeparators(std::string& text);

// atoi as the C library reads: blanks, a sign, digits; no digits give 0.
// Out-of-range values saturate.
int ReadDecimal(std::string_view text);

// True when the text is a real calendar date. Fields are set as far as they
// were read: day and month once a separator was found, the year once a second.
bool ParseDate(std::string_view text, int& year, int& month, int& day);

// The moment `hour`:`minute`:00 local time on the given day, summer time as
// the platform decides, fields beyond their range carried over (31 February
// is 3 March). A moment before the earliest time value the platform holds
// gives that earliest value, which every file is newer than; one after the
// latest (the year 3000 on Windows, 2038 where time values have 32 bits)
// gives nullopt, which no file can be newer than.
std::optional<std::time_t> LocalMoment(int year, int month, int day, int hour, int minute);

// 12:00:00 local time on the day the text names (LocalMoment); 0 for an empty
// text. A text with all three numbers but no real date (31/02/2003) carries
// the surplus into the next days, months or years (3 March 2003). A text with
// fewer than two separators gives 0 (1 January 1970), which every file on the
// machine is newer than.
std::optional<std::time_t> DateTextToTime(std::string_view text);

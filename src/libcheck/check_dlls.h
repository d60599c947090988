// The library-check mode's test: are the supporting libraries that the
// version list names present and new enough?
//
// The list is dllversion.txt in the install folder, an XML document whose
// "File" elements (at any depth) carry a "path" and an oldest acceptable
// "mtime" ("dd/mm/yyyy" and an optional " hh:mm", local time). UI thread,
// before any window exists.
#pragma once

#include <ctime>
#include <optional>
#include <string>

// True when every listed file exists and is no older than its mtime; also when
// the list is missing or names nothing. Every element is examined.
bool CheckDlls();

// The moment an "mtime" text stands for: the day of its date at its hours and
// minutes (the minutes read from the fourth character after the blank, as the
// lists out there are written), local time. nullopt when that moment lies
// beyond the platform's time values (after the year 3000 on Windows): no file
// is new enough for it, so the check fails rather than pass unseen.
std::optional<std::time_t> OldestAcceptableTime(const std::string& mtime);

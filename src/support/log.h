// The run's diagnostic log: log.txt in the working folder.
//
// One line per event: "%d/%m/%y %H:%M:%S: " (local time), the text, CR LF,
// flushed before Log returns. The file is created (truncated) by the first line
// of the run, in the working folder that the settings name at that moment. If
// it can't be created or written (no such folder, read-only, full), standard
// error says so and gets the lines instead, so that a run is never logged
// nowhere.
// Any thread may log; a line from one thread never interleaves with another's.
#pragma once

#include <string>

// The formats are C99's everywhere: on Windows the printf family is
// mingw-w64's own, which GCC checks as gnu_printf (plain printf there means
// the old msvcrt.dll's formats).
#ifdef __MINGW32__
#define OSTREL_PRINTF_FORMAT(text, first) __attribute__((format(gnu_printf, text, first)))
#else
#define OSTREL_PRINTF_FORMAT(text, first) __attribute__((format(printf, text, first)))
#endif

// printf-style. A ready-made text (a path, a URL, a title) goes through "%s",
// so that a '%' inside it is written as it stands.
void Log(const char* format, ...) OSTREL_PRINTF_FORMAT(1, 2);

// Closes the log, so that the next line starts a fresh log.txt, as a new run
// would. For tests, which play many runs in one process.
void RestartLog();

// printf into a std::string of any length.
std::string FormatText(const char* format, ...) OSTREL_PRINTF_FORMAT(1, 2);

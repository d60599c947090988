// Where the time of a start-up goes: with OSTREL_STARTUP_TRACE set (to any
// text but the empty one), each step on the way to the first painted list
// writes one line to standard error:
//
//   ostrel-update start-up:    41.7 ms  catalogue read  [clock 1234567.891 ms]
//
// The first figure counts from the first step traced (main's start); the
// clock is the system's monotonic clock, which another process can compare
// with its own (the start-up bench does). Without the variable nothing is
// written and a step costs one test of a flag. Any thread.
#pragma once

// Writes the line for `step` when tracing is on.
void TraceStartup(const char* step);

// Whether tracing is on (read once, at the first call).
bool StartupTraceOn();

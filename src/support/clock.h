// The wall-clock time the updater dates what it records by (the day an
// installer started, kept in the settings file).
//
// Tests fix it, so that they expect a date written down rather than one
// worked out the way the code works it out. Any thread; fix it before the
// work that reads it starts.
#pragma once

#include <ctime>

// The fixed time while one is set, else the system's clock.
std::time_t CurrentTime();

// Makes CurrentTime return `at` from now on; 0 gives the system's clock back.
void FixCurrentTime(std::time_t at);

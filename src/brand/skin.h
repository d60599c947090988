// The active skin: the brand this installation belongs to.
//
// One process-wide text, empty until the first SetSkin or GetSkin. GetSkin
// reads [general] skin from the settings file on first use and keeps it for
// the rest of the run; SetSkin replaces it and stores it. Meant for the main
// thread; a lock makes a stray call from another thread harmless.
#pragma once

#include <string>
#include <string_view>

// Makes `skin` the active skin ("LB" is the short form of "Lumbry") and
// writes it to [general] skin; a failed write is logged, and the skin holds
// for this run all the same.
void SetSkin(std::string_view skin);

// The active skin, read from the settings file (default "ostrel") while it is
// still empty. "Mirlode" and "ocsys" read from the file count as "ostrel"; the
// file keeps its value. An empty value in the file is read again next time.
std::string GetSkin();

// Forgets the active skin, as a new run would start. For tests, which play
// many runs in one process.
void ForgetSkin();

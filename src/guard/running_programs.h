// Refuses an update while programs of the suite are running.
//
// The suite's programs are those of this user running in this prefix (see
// platform/process_list.h for how a process's prefix is known); the same
// program in another prefix or of another user is left alone. On Windows,
// where every user and session shares the suite's folders, every process of
// the machine counts.
//
// The suite's start-up program is asked to close its windows first; every
// other suite program still running is reported to the user, by its display
// name rewritten for the active skin. Processes are never ended here. Main
// thread only; a check holds it while windows are being closed.
#pragma once

#include <map>
#include <string>
#include <vector>

// Executable file name (lower-case, with extension) to display name.
using SuiteProgramTable = std::map<std::string, std::string>;

inline constexpr const char* kStartupDisplayName = "Ostrel Startup";
inline constexpr const char* kRunningFormat = "%s is currently running. ";
inline constexpr const char* kRunningAdvice =
    "You cannot update programs whilst they are being used. Please exit from the above and try "
    "again.";

// The start-up program's entry, checked first.
SuiteProgramTable StartupProgramTable();
// The other programs of the suite.
SuiteProgramTable SuiteProgramsAfterStartup();

// True when suite programs are running: the user has been shown them, and
// the caller must not go on. False when none is (the start-up program having
// been asked to close), or when the running processes can't be listed.
bool CheckRunningPrograms();

// Appends to `running` the display name of every running process whose
// executable file name (lower-cased) is a key of `table`, in process order;
// two copies give two entries. Returns the size of `running` afterwards.
int FindRunningPrograms(const SuiteProgramTable& table, std::vector<std::string>& running);

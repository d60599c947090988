// What the process receives from the system that started it, in the form the
// rest of the program expects: its arguments as UTF-8 on every platform, and
// on Windows a place for what it writes on the terminal. Main thread, first
// thing in main().
#pragma once

#include <string>
#include <vector>

// The arguments, without the program name, in UTF-8. On Linux they are argv
// as given; on Windows argv is in the ANSI code page, which cannot hold every
// name, so they come from the wide command line instead.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// A windowed Windows program starts without standard output: started from a
// command prompt, it writes to the prompt's console instead, unless its
// output was redirected (a file or a pipe keeps it). Does nothing on Linux.
void WriteToStartingConsole();

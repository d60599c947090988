// Each host's side of windows_program.h: what differs between the systems.
// Only the platform layer uses these. Any thread.
#pragma once

#include <filesystem>

namespace platform::host {

// Whether this existing regular file may be run as a program by this process.
bool IsProgram(const std::filesystem::path& file);

// Follows the program's name in the sentence for a file that starts as a
// Windows program does but is none that can run here.
extern const char* const kNotARunnableProgram;

}  // namespace platform::host

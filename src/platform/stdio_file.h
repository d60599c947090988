// A C stream over a host path: the core's few files written or read through
// stdio (the log, a text input). The host path is UTF-8 bytes on Linux and
// UTF-16 on Windows, which std::fopen cannot take; this opens either.
// Any thread.
#pragma once

#include <cstdio>
#include <filesystem>

namespace platform {

// std::fopen's modes ("rb", "wb", ...); nullptr when the file cannot be
// opened.
std::FILE* OpenStdioFile(const std::filesystem::path& hostPath, const char* mode);

// Whether the system's own text files end at their first Ctrl+Z (0x1A),
// wherever it stands, as its C library's text mode reads them.
bool TextEndsAtCtrlZ();

}  // namespace platform

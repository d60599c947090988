// The edges of the Windows platform layer: the system's texts are
// Windows-1252, the system's functions are the wide (UTF-16) ones, and the
// system's reasons come from FormatMessage. Pure functions; any thread.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace platform {

std::wstring WideFromCp1252(std::string_view text);
// Characters that Windows-1252 cannot hold become '?'.
std::string Cp1252FromWide(std::wstring_view text);
// A host path as UTF-8, for messages to the host.
std::string Utf8FromWide(std::wstring_view text);

// The system's sentence for an error code, without the trailing line break,
// looked up in `module` when given (wininet.dll has its own); "error N" when
// the system has none.
std::string SystemErrorText(DWORD code, HMODULE module = nullptr);

// The C library's sentence for the errno that a file error amounts to
// ("No such file or directory"), as the Linux build words it; the system's
// own sentence for the rest.
std::string FileErrorText(DWORD code);

}  // namespace platform

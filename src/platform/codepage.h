// Conversion between the suite's single-byte Windows-1252 texts and UTF-8.
//
// Texts inside the system are Windows-1252; they are converted only where they
// meet the host: file names, X11 window titles, process names, the GUI.
// Pure functions, safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Every byte maps to a code point; the five bytes that Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same
// number, so the conversion is lossless and reversible.
std::string Cp1252ToUtf8(std::string_view text);

// Characters that Windows-1252 cannot hold become '?', as the platform's
// best-fit conversion does; malformed UTF-8 sequences become '?' too.
std::string Utf8ToCp1252(std::string_view text);

}  // namespace platform

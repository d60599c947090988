// The encodings a profile file may be saved in, and the form in which the
// profile's line functions see it.
//
// Windows' profile functions (and Wine's, which the suite runs under) read a
// file that begins with a byte-order mark as UTF-8 or UTF-16 (either byte
// order), and any other file as the ANSI code page (Windows-1252 here). A
// file saved by Notepad is such a file; read as Windows-1252 its first
// section would hide behind the mark, and a write would append a second one.
//
// The line functions work on bytes in which '[', ']', '=', ';', blanks and
// line breaks are themselves: a Windows-1252 file as it is, a UTF-8 file
// without its mark, a UTF-16 file decoded to UTF-8. The decoding of UTF-16 is
// lossless (an unpaired surrogate becomes its own three-byte sequence, an odd
// last byte is kept aside), so encoding the text back gives every byte that a
// write did not change exactly as it was. Texts inside the system stay
// Windows-1252: names and values are converted at this edge, and a character
// that Windows-1252 cannot hold reads as '?', as the platform's ANSI
// functions read it.
//
// Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace platform {

enum class ProfileEncoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

struct ProfileText {
  ProfileEncoding encoding = ProfileEncoding::kAnsi;
  // The lines: the file's own bytes (ANSI), or UTF-8 (the others).
  std::string lines;
  // What follows the last whole UTF-16 unit: an odd last byte, or nothing.
  std::string tail;
};

// What the file's byte-order mark says; kAnsi without one.
ProfileEncoding EncodingOf(std::string_view fileBytes);
ProfileText DecodeProfile(std::string_view fileBytes);
// The file's bytes for a text, byte-order mark included.
std::string EncodeProfile(const ProfileText& text);

// A Windows-1252 text as it stands in the lines of a file in `encoding`, and back.
std::string ToProfileLines(ProfileEncoding encoding, std::string_view text);
std::string FromProfileLines(ProfileEncoding encoding, std::string_view lines);

}  // namespace platform

// The edge between the suite's Windows-1252 texts and wxString.
//
// Every text the core hands to a window goes through ToWx, every text a user
// types goes back through FromWx, so a pound or euro sign in a catalogue shows
// as such. Pure functions, any thread.
#pragma once

#include <wx/string.h>
#include <string>
#include <string_view>

#include "platform/codepage.h"

inline wxString ToWx(std::string_view cp1252) {
  return wxString::FromUTF8(platform::Cp1252ToUtf8(cp1252));
}

inline std::string FromWx(const wxString& text) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  return platform::Utf8ToCp1252(std::string(utf8.data(), utf8.length()));
}

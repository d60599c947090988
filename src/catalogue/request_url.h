// The URL that is requested for a catalogue reference, as the platform's URL
// functions made it: catalogues written for those functions hold hrefs and
// Info names with blanks ("Payroll Update.exe") and other characters that a
// URL may not carry, and expect them to reach the server.
//
// Plain text logic; any thread.
#pragma once

#include <string>
#include <string_view>

// Everything after the scheme and host is made a valid URL (RFC 3986):
// - unreserved and reserved characters stay ("A-Z a-z 0-9 - . _ ~" and
//   ": / ? # [ ] @ ! $ & ' ( ) * + , ; =");
// - "%" followed by two hexadecimal digits stays (already encoded); any other
//   "%" becomes "%25";
// - every other byte (blank, control character, " < > \ ^ ` { | }, and bytes
//   of 128 and above, which are Windows-1252 text) becomes %XX, upper case;
// - trailing blanks and control characters are dropped, as the platform did.
// The scheme and host ("http://user@host:port") are left as written.
std::string RequestUrl(std::string_view reference);

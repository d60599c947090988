// The blanks of the catalogue's XML: the C locale's white space, which the
// reader skips between names and the values trim at their ends.
#pragma once

inline bool IsXmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

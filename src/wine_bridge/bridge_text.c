#include "bridge_text.h"

#include <string.h>

long bridge_trailer_path(const unsigned char* tail, size_t size, const unsigned char** path) {
  const size_t fixed = BRIDGE_LENGTH_SIZE + BRIDGE_TRAILER_MARK_SIZE;
  if (size < fixed)
    return -1;
  const unsigned char* mark = tail + size - BRIDGE_TRAILER_MARK_SIZE;
  if (memcmp(mark, BRIDGE_TRAILER_MARK, BRIDGE_TRAILER_MARK_SIZE) != 0)
    return -1;
  const unsigned char* bytes = mark - BRIDGE_LENGTH_SIZE;
  const unsigned long length = (unsigned long)bytes[0] | (unsigned long)bytes[1] << 8 |
                               (unsigned long)bytes[2] << 16 | (unsigned long)bytes[3] << 24;
  if (length == 0 || length > BRIDGE_LONGEST_PATH || length > size - fixed)
    return -1;
  const unsigned char* first = bytes - length;
  if (memchr(first, 0, length) != NULL)
    return -1;
  *path = first;
  return (long)length;
}

static int needs_quotes(const wchar_t* argument) {
  return argument[0] == L'\0' || wcspbrk(argument, L" \t\n\v\"") != NULL;
}

/* Writes the quoted form into `out` when given; returns its length either way. */
static size_t quote(const wchar_t* argument, wchar_t* out) {
  size_t length = 0;
#define PUT(c)           \
  do {                   \
    if (out)             \
      out[length] = (c); \
    ++length;            \
  } while (0)
  if (!needs_quotes(argument)) {
    for (const wchar_t* c = argument; *c; ++c)
      PUT(*c);
    return length;
  }
  PUT(L'"');
  for (const wchar_t* c = argument;; ++c) {
    size_t backslashes = 0;
    while (*c == L'\\') {
      ++backslashes;
      ++c;
    }
    /* Backslashes count as escapes only before a quote, and the closing quote
     * follows the last ones. */
    const size_t doubled = (*c == L'\0' || *c == L'"') ? 2 * backslashes : backslashes;
    for (size_t i = 0; i < doubled; ++i)
      PUT(L'\\');
    if (*c == L'\0')
      break;
    if (*c == L'"')
      PUT(L'\\');
    PUT(*c);
  }
  PUT(L'"');
#undef PUT
  return length;
}

int bridge_append_argument(wchar_t* line, size_t room, size_t* used, const wchar_t* argument) {
  const size_t separator = *used > 0 ? 1 : 0;
  const size_t length = quote(argument, NULL);
  if (*used + separator + length + 1 > room)
    return -1;
  if (separator)
    line[(*used)++] = L' ';
  quote(argument, line + *used);
  *used += length;
  line[*used] = L'\0';
  return 0;
}

/* The plain parts of update.exe, the Windows program through which the suite,
 * running under Wine, starts the native updater: the trailer that names the
 * updater, and the quoting of a command line. C, so that the Windows program
 * needs nothing but the system's libraries; the native updater, which writes
 * the trailer, and the tests use the same definitions. Pure functions, any
 * thread. */
#ifndef OSTREL_WINE_BRIDGE_TEXT_H
#define OSTREL_WINE_BRIDGE_TEXT_H

#include <stddef.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

/* `ostrel-update --install-bridge` copies the program into a prefix and
 * appends a trailer: the native updater's path (UTF-8, no terminator), its
 * length in 4 bytes (least significant first), then the mark. Windows' loader
 * ignores what follows a program's last section (self-extracting archives
 * live there), and the mark is how the native updater knows a file in the
 * prefix for its own. */
#define BRIDGE_TRAILER_MARK "ostrel-bridge-1\n"
#define BRIDGE_TRAILER_MARK_SIZE 16
#define BRIDGE_LENGTH_SIZE 4
#define BRIDGE_LONGEST_PATH 4096
/* The most a reader needs from the end of the file. */
#define BRIDGE_LONGEST_TRAILER (BRIDGE_LONGEST_PATH + BRIDGE_LENGTH_SIZE + BRIDGE_TRAILER_MARK_SIZE)

/* Finds the path in `tail`, the last `size` bytes of a file (all of them when
 * the file is shorter than BRIDGE_LONGEST_TRAILER). Returns its length and
 * points *path at its first byte; -1 when the bytes end in no trailer, or in
 * one whose path is empty, too long or holds a zero byte. */
long bridge_trailer_path(const unsigned char* tail, size_t size, const unsigned char** path);

/* Appends `argument` to the command line `line` (room for `room` characters
 * including the terminator, `*used` of them taken), after a blank unless the
 * line is empty, quoted so that Windows' splitting of a command line
 * (CommandLineToArgvW, which Wine also applies when it starts a Unix program)
 * gives it back unchanged. Returns 0; -1 when it does not fit, leaving the
 * line as it was. */
int bridge_append_argument(wchar_t* line, size_t room, size_t* used, const wchar_t* argument);

#ifdef __cplusplus
}
#endif

#endif

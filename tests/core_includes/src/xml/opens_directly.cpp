// A core file that includes a POSIX header: the scan names it.
#include <unistd.h>

int WorkingFolderIsReadable() {
  return ::access(".", R_OK) == 0;
}

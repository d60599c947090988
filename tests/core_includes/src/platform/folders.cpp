// platform/ stands in for the system: POSIX belongs here.
#include <sys/stat.h>
#include <unistd.h>

bool EnterFolder(const char* path) {
  return ::chdir(path) == 0;
}

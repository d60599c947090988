// The wx application is no core folder.
#include <signal.h>

void IgnoreBrokenPipes() {
  ::signal(SIGPIPE, SIG_IGN);
}

// A Windows program the tests start under the suite's executable names: it
// prints its arguments on one line, then sleeps the seconds its first
// argument says (60 when none), so that a crashed test leaves it only a while.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    std::printf(i == 1 ? "%s" : " %s", argv[i]);
  std::printf("\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(argc > 1 ? std::atoi(argv[1]) : 60) * 1000);
  return 0;
}

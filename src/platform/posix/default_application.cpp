#include "platform/default_application.h"

#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace platform {

bool OpenWithDefaultApplication(const std::filesystem::path& hostPath) {
  std::string opener = "xdg-open";
  // A file name must never pass for an option of the opener.
  std::string file = hostPath.string();
  if (!file.empty() && file[0] == '-')
    file = "./" + file;
  char* arguments[] = {opener.data(), file.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, opener.c_str(), nullptr, nullptr, arguments, environ) != 0)
    return false;
  // Nobody waits for the opener, but its exit must still be collected, or it
  // would stay behind as a zombie for the rest of the run.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return true;
}

}  // namespace platform

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/temporary_files.h"
#include "platform/temporary_files_host.h"

namespace platform {

namespace {

void OnTerminationSignal(int signalNumber) {
  const int savedErrno = errno;
  RemoveLiveTemporaries();
  // The default action then ends the process with this signal as its cause.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signalNumber, &fallback, nullptr);
  errno = savedErrno;
  raise(signalNumber);
}

}  // namespace

void RemoveTemporariesOnTerminationSignals() {
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
    sigaddset(&action.sa_mask, signalNumber);
  for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
    sigaction(signalNumber, &action, nullptr);
}

namespace host {

void RemoveTemporaryNow(const std::filesystem::path::value_type* path) noexcept {
  unlink(path);
}

bool RemoveStaleTemporary(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::remove(path, error);
}

std::string FileNameText(const std::filesystem::path& name) {
  return name.native();
}

}  // namespace host

}  // namespace platform

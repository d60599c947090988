#include "platform/machine_policy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

// A policy is a few lines; anything this long is not one.
constexpr std::size_t kMostPolicyBytes = 64 * 1024;

std::mutex gLocationMutex;
MachinePolicyLocation gLocation{"/etc/ostrel-update/policy.ini", 0};

MachinePolicyLocation Location() {
  std::lock_guard lock(gLocationMutex);
  return gLocation;
}

// Empty when `status` belongs to `owner` and no one else may write it.
std::string Unsafe(const struct stat& status, std::uint32_t owner) {
  if (status.st_uid != owner)
    return "it is owned by user " + std::to_string(status.st_uid) + ", not by " +
           (owner == 0 ? std::string("root") : "user " + std::to_string(owner));
  if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return "others than its owner may write it";
  return {};
}

}  // namespace

void UseMachinePolicyLocationForTests(const MachinePolicyLocation& location) {
  std::lock_guard lock(gLocationMutex);
  gLocation = location;
}

MachinePolicyReading ReadMachinePolicy() {
  const MachinePolicyLocation location = Location();
  const std::string& path = location.where;
  MachinePolicyReading reading;
  const auto ignore = [&](const std::string& what, const std::string& why) {
    reading.text.clear();
    reading.ignored = "the machine policy " + what + " is ignored: " + why;
    return reading;
  };

  const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (file < 0) {
    if (errno == ENOENT || errno == ENOTDIR)
      return reading;
    return ignore(path, std::string("it cannot be opened (") + std::strerror(errno) + ")");
  }
  struct stat status {};
  std::string why;
  if (::fstat(file, &status) != 0)
    why = std::string("its status cannot be read (") + std::strerror(errno) + ")";
  else if (!S_ISREG(status.st_mode))
    why = "it is not a regular file";
  else
    why = Unsafe(status, location.owner);
  // Whoever may write the folder may put another file in the policy's place.
  const std::string folder = path.substr(0, path.find_last_of('/') + 1);
  struct stat folderStatus {};
  if (why.empty() && !folder.empty()) {
    if (::stat(folder.c_str(), &folderStatus) != 0)
      why = "its folder's status cannot be read";
    else if (const std::string unsafe = Unsafe(folderStatus, location.owner); !unsafe.empty())
      why = "its folder " + folder + " is unsafe: " + unsafe;
  }
  if (why.empty() && static_cast<std::size_t>(status.st_size) > kMostPolicyBytes)
    why = "it is larger than a policy can be";
  char buffer[8192];
  while (why.empty()) {
    const ssize_t got = ::read(file, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      why = std::string("it cannot be read (") + std::strerror(errno) + ")";
    else if (got == 0)
      break;
    else
      reading.text.append(buffer, static_cast<std::size_t>(got));
    if (reading.text.size() > kMostPolicyBytes)
      why = "it is larger than a policy can be";
  }
  ::close(file);
  if (!why.empty())
    return ignore(path, why);
  return reading;
}

}  // namespace platform

#include "platform/http.h"

#include <cstdlib>

#include "platform/ascii.h"

// What both systems' HTTP layers share: the limits an administrator may set,
// and reading a server's challenge.

namespace platform {

namespace {

long SecondsFromEnvironment(const char* name, long fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0')
    return fallback;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return (*end == '\0' && value > 0) ? value : fallback;
}

}  // namespace

HttpLimits HttpLimits::FromEnvironment() {
  HttpLimits limits;
  limits.connectTimeout = SecondsFromEnvironment("OSTREL_CONNECT_TIMEOUT", limits.connectTimeout);
  limits.lowSpeedTime = SecondsFromEnvironment("OSTREL_LOW_SPEED_TIME", limits.lowSpeedTime);
  return limits;
}

unsigned AuthSchemeOfChallenge(std::string_view value) {
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
    value.remove_prefix(1);
  if (StartsIgnoringCase(value, "Basic"))
    return kAuthBasic;
  if (StartsIgnoringCase(value, "Digest"))
    return kAuthDigest;
  return value.size() > 2 ? unsigned{kAuthOther} : 0u;
}

}  // namespace platform

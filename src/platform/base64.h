// Base64 (RFC 4648, standard alphabet, with padding): the text form of keys
// and signatures in the settings file, the environment and signature files,
// and of a login sent in an Authorization header.
// Pure functions; safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

std::string Base64Encode(std::string_view bytes);

// The bytes of a padded base64 text; nullopt for anything else (a stray
// character, a wrong length, bits left over after the last byte).
std::optional<std::string> Base64Decode(std::string_view text);

}  // namespace platform

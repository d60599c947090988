// Any bytes as a settings file, in any of the encodings a byte-order mark
// names: a write must keep every other byte and read back as written.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/profile_encoding.h"
#include "platform/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  if (platform::EncodeProfile(platform::DecodeProfile(file)) != file)
    std::abort();
  (void)platform::FindProfileValue(file, "internet", "publickey");
  // A value with every byte Windows-1252 may hold in a value, blanks apart.
  const std::string value = "x\xE9\x81\x80\x9Fy";
  const std::string written = platform::WithProfileValue(file, "Internet", "update\xE9", value);
  if (platform::FindProfileValue(written, "internet", "UPDATE\xE9") != value)
    std::abort();
  return 0;
}

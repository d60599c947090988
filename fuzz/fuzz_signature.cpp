// Any bytes as a signature file: reading must neither crash nor hang, and
// whatever it reads must write back to a text that reads the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalogue/signature_file.h"
#include "platform/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (const auto file = ReadSignatureFile(text)) {
    const auto again = ReadSignatureFile(FormatSignatureFile(*file));
    if (!again || again->publicKey != file->publicKey || again->serial != file->serial ||
        again->expires != file->expires || again->signature != file->signature)
      std::abort();
  }
  if (platform::Base64Decode(platform::Base64Encode(text)) != text)
    std::abort();
  return 0;
}

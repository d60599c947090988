// ostrel-sign: the publisher's tool for signed catalogues. It makes a key
// pair, fills a catalogue's installer digests and signs it, and checks a
// signed catalogue as the updater will. `--help` tells the rest.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue_trust.h"
#include "catalogue/item_fields.h"
#include "catalogue/key_list.h"
#include "catalogue/signature_file.h"
#include "catalogue_items.h"
#include "platform/ascii.h"
#include "platform/base64.h"
#include "platform/crypto.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFailed = 1;
constexpr int kBadUsage = 2;
constexpr int kDefaultDays = 30;

constexpr char kUsage[] = R"(usage: ostrel-sign keygen KEYFILE
       ostrel-sign sign KEYFILE CATALOGUE [--files DIR] [--serial N] [--expires DD/MM/YYYY]
       ostrel-sign verify PUBLICKEY CATALOGUE [--files DIR]
       ostrel-sign keys make KEYLIST --version N --threshold T PUBLICKEY...
       ostrel-sign keys sign KEYFILE KEYLIST
       ostrel-sign keys verify PREVIOUS KEYLIST
       ostrel-sign --help
)";

constexpr char kHelp[] = R"(
Signs update catalogues for ostrel-update.

  keygen   writes a new Ed25519 private key to KEYFILE (mode 0600; an existing
           file is never overwritten) and prints its public key, the text to
           give the updater in [internet] publickey or OSTREL_PUBLIC_KEY.
  sign     with --files, fills each item's <Sha256> from the installer in DIR
           named by the last part of its href (a missing installer is an error
           that changes nothing); every other byte of CATALOGUE stays as it
           is. Then writes CATALOGUE.sig: serial N (default: one more than the
           serial of the CATALOGUE.sig already there, else 1; at most
           999999999999999999), expiring on the given day (default: 30 days
           from today, UTC; never a day already past). An item with two
           <Sha256> fields is warned about: only the first counts.
  verify   checks CATALOGUE.sig against PUBLICKEY (its text, or a file holding
           it) and today's date, and with --files each installer's digest;
           says what fails.
  keys make    writes a key list (keys.txt) of version N naming the PUBLICKEYs
               (texts, or files holding them), of which T must sign; an
               existing KEYLIST is never overwritten, nor its signatures kept.
  keys sign    adds KEYFILE's signature to KEYLIST.sig (made when missing; a
               signature of the same key is replaced).
  keys verify  checks that KEYLIST may follow PREVIOUS, as the updater will:
               its version one more, signed by a threshold of PREVIOUS's keys
               and of its own. PREVIOUS is the key list before it, or for
               version 1 the public keys the updaters start from (comma-
               separated, or a file holding them).
  A rotation: keys make the new list, keys sign it with the old keys and the
  new, publish it as keys.txt (and the one before as keys.<N>.txt, with their
  .sig files), then sign catalogues with a new key.

Exit status: 0 success, 1 failure, 2 bad usage.
)";

int BadUsage(const std::string& why) {
  std::cerr << "ostrel-sign: " << why << "\n" << kUsage;
  return kBadUsage;
}

int Failed(const std::string& why) {
  std::cerr << "ostrel-sign: " << why << "\n";
  return kFailed;
}

std::optional<std::string> ReadFile(const fs::path& path);

// A public key's text given on the command line, or read from the file it names.
std::string KeyText(const std::string& operand) {
  std::string text = operand;
  if (const auto inFile = ReadFile(text); inFile && !platform::Base64Decode(text))
    text = *inFile;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
    text.pop_back();
  return text;
}

std::optional<std::string> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  std::string text{std::istreambuf_iterator<char>(in), {}};
  if (in.bad())
    return std::nullopt;
  return text;
}

// Replaces `path` whole or not at all.
bool WriteFileAtomically(const fs::path& path, const std::string& bytes) {
  const fs::path temporary = path.string() + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!(out << bytes) || !out.flush())
      return false;
  }
  std::error_code error;
  fs::rename(temporary, path, error);
  if (error)
    fs::remove(temporary, error);
  return !error;
}

struct Options {
  std::vector<std::string> operands;
  std::optional<std::string> files;
  std::optional<std::string> serial;
  std::optional<std::string> expires;
  std::optional<std::string> version;
  std::optional<std::string> threshold;
};

// Operands and the options a command allows; nullopt after a usage error.
std::optional<Options> ReadOptions(const std::vector<std::string>& args,
                                   const std::vector<std::string>& allowed, std::string& why) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      options.operands.push_back(arg);
      continue;
    }
    if (std::find(allowed.begin(), allowed.end(), arg) == allowed.end()) {
      why = "unknown option " + arg;
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      why = arg + " needs a value";
      return std::nullopt;
    }
    const std::string& value = args[++i];
    (arg == "--files"       ? options.files
     : arg == "--serial"    ? options.serial
     : arg == "--version"   ? options.version
     : arg == "--threshold" ? options.threshold
                            : options.expires) = value;
  }
  return options;
}

// A second <Sha256> of an item is neither filled in nor read by the updater,
// yet a reader of the catalogue may take it for the installer's digest.
void WarnAboutSecondDigests(const std::vector<CatalogueItemSpan>& items) {
  for (const CatalogueItemSpan& item : items) {
    if (item.sha256Fields > 1)
      std::cerr << "ostrel-sign: warning: the item whose href is " << item.href << " has "
                << item.sha256Fields
                << " <Sha256> fields; only the first is filled in and checked\n";
  }
}

// Each item's installer digest from DIR; nullopt (and told) when one is missing.
std::optional<std::vector<std::string>> InstallerDigests(
    const std::vector<CatalogueItemSpan>& items, const fs::path& folder) {
  std::vector<std::string> digests;
  for (const CatalogueItemSpan& item : items) {
    const auto name = InstallerFileName(item.href);
    const auto digest = name ? platform::Sha256HexOfFile(folder / *name) : std::nullopt;
    if (!digest) {
      Failed("no installer " + (folder / name.value_or("")).string() +
             " for the item whose href is " + item.href);
      return std::nullopt;
    }
    digests.push_back(*digest);
  }
  return digests;
}

int Keygen(const std::vector<std::string>& args) {
  if (args.size() != 1)
    return BadUsage("keygen takes one KEYFILE");
  const auto pem = platform::NewEd25519PrivateKeyPem();
  const auto publicKey = pem ? platform::Ed25519PublicKeyOf(*pem) : std::nullopt;
  if (!publicKey)
    return Failed("no key could be made");
  const int file = ::open(args[0].c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (file < 0)
    return Failed(args[0] + ": " + std::strerror(errno) + " (an existing key is never replaced)");
  const bool written = ::write(file, pem->data(), pem->size()) == static_cast<ssize_t>(pem->size());
  if (::close(file) != 0 || !written) {
    ::unlink(args[0].c_str());
    return Failed(args[0] + ": the key could not be written");
  }
  std::cout << platform::Base64Encode(*publicKey) << "\n";
  return 0;
}

int Sign(const std::vector<std::string>& args) {
  std::string why;
  const auto options = ReadOptions(args, {"--files", "--serial", "--expires"}, why);
  if (!options)
    return BadUsage(why);
  if (options->operands.size() != 2)
    return BadUsage("sign takes KEYFILE and CATALOGUE");
  const fs::path catalogue = options->operands[1];
  const fs::path signature = catalogue.string() + ".sig";

  SignatureFile file;
  if (options->serial) {
    if (options->serial->empty() || options->serial->size() > 18 ||
        options->serial->find_first_not_of("0123456789") != std::string::npos)
      return BadUsage("--serial takes a number of at most 18 digits");
    file.serial = std::stoull(*options->serial);
  } else if (std::error_code error; fs::exists(signature, error) || error) {
    // Starting again at 1 would be refused by every updater that has seen
    // a serial before.
    const auto earlier = ReadFile(signature);
    std::string problem = "it cannot be read";
    const auto read = earlier ? ReadSignatureFile(*earlier, &problem) : std::nullopt;
    if (!read)
      return Failed(signature.string() + ": " + problem +
                    ", so the next serial is unknown; give --serial N");
    if (read->serial >= kMostSerial)
      return Failed(signature.string() + " has serial " + std::to_string(read->serial) +
                    ", the highest there is: the updater would refuse any signature after it");
    file.serial = read->serial + 1;
  } else {
    file.serial = 1;
  }
  const auto expires = options->expires ? SignatureDate::FromText(*options->expires)
                                        : SignatureDate::DaysFromToday(kDefaultDays);
  if (!expires)
    return BadUsage("--expires takes a date DD/MM/YYYY");
  // The last day on which it holds: an earlier one is refused at once.
  if (*expires < SignatureDate::Today())
    return BadUsage("--expires names a day already past (UTC)");
  file.expires = *expires;

  const auto pem = ReadFile(options->operands[0]);
  if (!pem)
    return Failed(options->operands[0] + ": cannot be read");
  const auto publicKey = platform::Ed25519PublicKeyOf(*pem);
  if (!publicKey)
    return Failed(options->operands[0] + ": not an Ed25519 private key");
  file.publicKey = *publicKey;

  auto bytes = ReadFile(catalogue);
  if (!bytes)
    return Failed(catalogue.string() + ": cannot be read");
  const auto items = FindCatalogueItems(*bytes, why);
  if (items)
    WarnAboutSecondDigests(*items);
  if (options->files) {
    if (!items)
      return Failed(catalogue.string() + ": " + why);
    const auto digests = InstallerDigests(*items, *options->files);
    if (!digests)
      return kFailed;
    const std::string filled = WithDigests(*bytes, *items, *digests);
    if (filled != *bytes && !WriteFileAtomically(catalogue, filled))
      return Failed(catalogue.string() + ": cannot be written");
    bytes = filled;
  }

  const auto signed_ = platform::SignEd25519(*pem, SignedMessage(file, *bytes));
  if (!signed_)
    return Failed("the catalogue could not be signed");
  file.signature = *signed_;
  if (!WriteFileAtomically(signature, FormatSignatureFile(file)))
    return Failed(signature.string() + ": cannot be written");
  std::cout << "signed " << catalogue.string() << ": serial " << file.serial << ", expires "
            << file.expires.Text() << "\n";
  return 0;
}

int Verify(const std::vector<std::string>& args) {
  std::string why;
  const auto options = ReadOptions(args, {"--files"}, why);
  if (!options)
    return BadUsage(why);
  if (options->operands.size() != 2)
    return BadUsage("verify takes PUBLICKEY and CATALOGUE");
  TrustPolicy policy;
  policy.AddKeys(KeyText(options->operands[0]));
  if (policy.keys.empty())
    return BadUsage("PUBLICKEY is not base64 of a 32-byte key");

  const fs::path catalogue = options->operands[1];
  const auto bytes = ReadFile(catalogue);
  if (!bytes)
    return Failed(catalogue.string() + ": cannot be read");
  const TrustVerdict verdict = JudgeCatalogue(*bytes, ReadFile(catalogue.string() + ".sig"), policy,
                                              0, SignatureDate::Today());
  bool good = verdict.outcome == TrustOutcome::Verified;
  if (!good)
    std::cerr << verdict.reason << "\n";

  if (options->files) {
    const auto items = FindCatalogueItems(*bytes, why);
    if (!items)
      return Failed(catalogue.string() + ": " + why);
    WarnAboutSecondDigests(*items);
    for (const CatalogueItemSpan& item : *items) {
      const auto name = InstallerFileName(item.href);
      const auto digest =
          name ? platform::Sha256HexOfFile(fs::path(*options->files) / *name) : std::nullopt;
      const char* fault = !item.sha256 ? "has no digest"
                          : !digest    ? "has no installer in the folder"
                          : *digest != platform::AsciiLowerCased(*item.sha256)
                              ? "does not match its installer"
                              : nullptr;
      if (fault != nullptr) {
        std::cerr << "the item whose href is " << item.href << " " << fault << "\n";
        good = false;
      }
    }
  }
  if (good)
    std::cout << "good: " << catalogue.string() << "\n";
  return good ? 0 : kFailed;
}

int KeysMake(const std::vector<std::string>& args) {
  std::string why;
  const auto options = ReadOptions(args, {"--version", "--threshold"}, why);
  if (!options)
    return BadUsage(why);
  if (options->operands.size() < 2 || !options->version || !options->threshold)
    return BadUsage("keys make takes KEYLIST, --version, --threshold and a PUBLICKEY at least");
  for (const std::string* number : {&*options->version, &*options->threshold}) {
    if (number->empty() || number->size() > 18 ||
        number->find_first_not_of("0123456789") != std::string::npos)
      return BadUsage("--version and --threshold take numbers");
  }
  KeyList list;
  list.version = std::strtoull(options->version->c_str(), nullptr, 10);
  list.threshold = std::strtoull(options->threshold->c_str(), nullptr, 10);
  for (std::size_t i = 1; i < options->operands.size(); ++i) {
    TrustPolicy keys;
    keys.AddKeys(KeyText(options->operands[i]));
    if (keys.keys.size() != 1)
      return BadUsage(options->operands[i] + " is not base64 of one 32-byte key");
    list.keys.push_back(keys.keys[0]);
  }
  const std::string text = FormatKeyList(list);
  if (!ReadKeyList(text, &why))
    return BadUsage("the list would not be read: " + why);
  const fs::path path = options->operands[0];
  if (std::error_code error; fs::exists(path, error) || error)
    return Failed(path.string() + " is there already (a published list is never replaced)");
  if (!WriteFileAtomically(path, text))
    return Failed(path.string() + ": cannot be written");
  std::cout << "made " << path.string() << ": version " << list.version << ", " << list.keys.size()
            << " keys, threshold " << list.threshold << "\n";
  return 0;
}

int KeysSign(const std::vector<std::string>& args) {
  if (args.size() != 2)
    return BadUsage("keys sign takes KEYFILE and KEYLIST");
  const auto pem = ReadFile(args[0]);
  const auto publicKey = pem ? platform::Ed25519PublicKeyOf(*pem) : std::nullopt;
  if (!publicKey)
    return Failed(args[0] + ": not an Ed25519 private key");
  const auto text = ReadFile(args[1]);
  std::string why;
  if (!text || !ReadKeyList(*text, &why))
    return Failed(args[1] + ": not a key list" + (why.empty() ? "" : " (" + why + ")"));
  const fs::path path = args[1] + ".sig";
  std::vector<KeySignature> signatures;
  if (std::error_code error; fs::exists(path, error) || error) {
    const auto earlier = ReadFile(path);
    auto read = earlier ? ReadKeySignatures(*earlier, &why) : std::nullopt;
    if (!read)
      return Failed(path.string() + ": cannot be read, so it is left as it is");
    signatures = std::move(*read);
  }
  std::erase_if(signatures, [&](const KeySignature& one) { return one.publicKey == *publicKey; });
  const auto signature = platform::SignEd25519(*pem, *text);
  if (!signature)
    return Failed("the key list could not be signed");
  signatures.push_back({*publicKey, *signature});
  if (!WriteFileAtomically(path, FormatKeySignatures(signatures)))
    return Failed(path.string() + ": cannot be written");
  std::cout << "signed " << args[1] << " with " << platform::Base64Encode(*publicKey) << "\n";
  return 0;
}

int KeysVerify(const std::vector<std::string>& args) {
  if (args.size() != 2)
    return BadUsage("keys verify takes PREVIOUS and KEYLIST");
  KeyList previous;
  std::string why;
  if (const auto text = ReadFile(args[0]); text && ReadKeyList(*text)) {
    previous = *ReadKeyList(*text);
  } else {
    TrustPolicy keys;
    keys.AddKeys(KeyText(args[0]));
    if (keys.keys.empty())
      return BadUsage(args[0] + " is neither a key list nor public keys");
    previous.keys = keys.keys;
  }
  const auto text = ReadFile(args[1]);
  const auto signatures = ReadFile(args[1] + ".sig");
  if (!text || !signatures)
    return Failed(args[1] + (text ? ".sig" : "") + ": cannot be read");
  if (!JudgeNextKeyList(previous, *text, *signatures, &why))
    return Failed(args[1] + " would be refused: " + why);
  std::cout << "good: " << args[1] << "\n";
  return 0;
}

int Keys(const std::vector<std::string>& args) {
  const std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
  if (!args.empty() && args[0] == "make")
    return KeysMake(rest);
  if (!args.empty() && args[0] == "sign")
    return KeysSign(rest);
  if (!args.empty() && args[0] == "verify")
    return KeysVerify(rest);
  return BadUsage("keys takes make, sign or verify");
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty())
    return BadUsage("a command is needed");
  if (args[0] == "--help" || args[0] == "-h") {
    std::cout << kUsage << kHelp;
    return 0;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "keygen")
    return Keygen(rest);
  if (args[0] == "sign")
    return Sign(rest);
  if (args[0] == "verify")
    return Verify(rest);
  if (args[0] == "keys")
    return Keys(rest);
  return BadUsage("unknown command " + args[0]);
}

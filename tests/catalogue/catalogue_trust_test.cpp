// The judgement of a catalogue and its signature file, with real keys.
#include "catalogue/catalogue_trust.h"

#include <gtest/gtest.h>

#include "platform/base64.h"
#include "platform/crypto.h"

namespace {

constexpr char kCatalogue[] = "<Catalogue><Downloads><Item/></Downloads></Catalogue>\r\n";
const SignatureDate kToday{2027, 3, 15};

struct Signer {
  std::string pem = platform::NewEd25519PrivateKeyPem().value();
  std::string publicKey = platform::Ed25519PublicKeyOf(pem).value();

  std::string Sign(std::string_view catalogue, std::uint64_t serial, SignatureDate expires) const {
    SignatureFile file{publicKey, serial, expires, ""};
    file.signature = platform::SignEd25519(pem, SignedMessage(file, catalogue)).value();
    return FormatSignatureFile(file);
  }
};

struct JudgeCase {
  const char* name;
  std::string catalogue;                 // as served
  std::optional<std::string> signature;  // as served
  std::uint64_t highestSerial;
  TrustOutcome outcome;
  const char* reason;
};

TEST(JudgeCatalogue, GivesEachRefusalItsOwnReason) {
  const Signer publisher;
  const Signer stranger;
  TrustPolicy policy;
  policy.AddKeys(" " + platform::Base64Encode(publisher.publicKey) + " ,");
  const std::string good = publisher.Sign(kCatalogue, 7, kToday);
  std::string flipped = kCatalogue;
  flipped[3] ^= 1;
  std::string badLine = good;
  badLine.replace(badLine.find("serial 7"), 8, "serial x");

  const JudgeCase cases[] = {
      {"signed", kCatalogue, good, 7, TrustOutcome::Verified, ""},
      {"last day", kCatalogue, publisher.Sign(kCatalogue, 8, kToday), 7, TrustOutcome::Verified,
       ""},
      {"flipped byte", flipped, good, 0, TrustOutcome::Refused,
       "its signature does not match its contents"},
      {"missing", kCatalogue, std::nullopt, 0, TrustOutcome::Refused, "it has no signature"},
      {"unreadable", kCatalogue, badLine, 0, TrustOutcome::Refused,
       "its signature file cannot be read (no readable serial line)"},
      {"expired", kCatalogue, publisher.Sign(kCatalogue, 9, {2027, 3, 14}), 0,
       TrustOutcome::Refused, "its signature expired on 14/03/2027"},
      {"unknown key", kCatalogue, stranger.Sign(kCatalogue, 9, kToday), 0, TrustOutcome::Refused,
       "it is signed by a key that is not trusted here"},
      {"older serial", kCatalogue, good, 8, TrustOutcome::Refused,
       "it is older (serial 7) than one already used (serial 8)"},
  };
  for (const JudgeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TrustVerdict verdict =
        JudgeCatalogue(c.catalogue, c.signature, policy, c.highestSerial, kToday);
    EXPECT_EQ(verdict.outcome, c.outcome);
    EXPECT_EQ(verdict.reason,
              c.outcome == TrustOutcome::Refused
                  ? std::string("The update catalogue was refused: ") + c.reason + "."
                  : "");
  }
}

TEST(TrustPolicy, AnyKeyTextRequiresSignaturesEvenWhenItCannotBeRead) {
  TrustPolicy none;
  none.AddKeys(" , ");
  EXPECT_FALSE(none.required);
  EXPECT_EQ(JudgeCatalogue(kCatalogue, std::nullopt, none, 0, kToday).outcome,
            TrustOutcome::Unverified);

  TrustPolicy typo;
  typo.AddKeys("not-a-key");
  EXPECT_TRUE(typo.required);
  EXPECT_TRUE(typo.keys.empty());

  TrustPolicy two;
  two.AddKeys(platform::Base64Encode(std::string(32, 'a')) + "," +
              platform::Base64Encode(std::string(32, 'b')));
  EXPECT_EQ(two.keys.size(), 2u);
}

TEST(SignatureFile, ReadsBackWhatItWritesAndRefusesEverythingElse) {
  const SignatureFile file{
      std::string(32, 'k'), 123456789012345678u, {2028, 2, 29}, std::string(64, 's')};
  const std::string text = FormatSignatureFile(file);
  const auto read = ReadSignatureFile(text);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->publicKey, file.publicKey);
  EXPECT_EQ(read->serial, file.serial);
  EXPECT_EQ(read->expires, file.expires);
  EXPECT_EQ(read->signature, file.signature);

  std::string crlf;
  for (char c : text)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_TRUE(ReadSignatureFile(crlf));
  EXPECT_TRUE(ReadSignatureFile(text.substr(0, text.size() - 1)));

  const auto with = [&](std::string_view from, std::string_view to) {
    std::string changed = text;
    changed.replace(changed.find(from), from.size(), to);
    return changed;
  };
  for (const std::string& bad :
       {std::string(), with("signature 1", "signature 2"), text + "extra\n",
        with("serial 123456789012345678", "serial 1234567890123456789"),
        with("serial 1", "serial -1"), with("29/02/2028", "29/02/2027"),
        with("29/02/2028", "29/2/2028"), with("key ", "key  "), with("key ", "Key "),
        with("=\nserial", "\nserial"), with("signature c3", "signature c")}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ReadSignatureFile(bad));
  }
}

TEST(Base64, DecodesOnlyCanonicalPaddedText) {
  for (const std::string bytes : {"", "f", "fo", "foo", "foob", "\xff\x00\x80"}) {
    EXPECT_EQ(platform::Base64Decode(platform::Base64Encode(bytes)), bytes);
  }
  EXPECT_EQ(platform::Base64Encode("foob"), "Zm9vYg==");
  for (const char* bad : {"Zm9vYg=", "Zm9vYh==", "Zm9v=mg=", "Zm=vYg==", "Zm9 Yg==", "===="}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(platform::Base64Decode(bad));
  }
}

}  // namespace

// ostrel-sign as a publisher runs it: a real process on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "testkit/temp_prefix.h"

namespace fs = std::filesystem;

namespace {

// Fields on lines of their own, one item on a single line, CR LF endings.
constexpr char kCatalogue[] =
    "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<!-- <Downloads> -->\r\n<Catalogue>\r\n"
    "<Downloads>\r\n  <Item>\r\n    <Description>Accounts &amp; VAT</Description>\r\n"
    "    <href>http://h/x/a.exe</href>\r\n  </Item>\r\n"
    "  <Item><href>http://h/b.exe</href><Sha256>old</Sha256></Item>\r\n"
    "</Downloads>\r\n</Catalogue>\r\n";

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and error together
};

class SignToolTest : public ::testing::Test {
 protected:
  SignToolTest() {
    fs::create_directories(Files());
    WriteHostFile(Files() / "a.exe", "installer a");
    WriteHostFile(Files() / "b.exe", "installer b");
    WriteHostFile(Catalogue(), kCatalogue);
  }

  fs::path Files() const { return prefix.Root() / "files"; }
  fs::path Catalogue() const { return prefix.Root() / "download.xml"; }
  fs::path Key() const { return prefix.Root() / "key.pem"; }

  ToolRun Sign(const std::vector<std::string>& args) const {
    std::string command = OSTREL_SIGN_TOOL;
    for (const std::string& arg : args)
      command += " '" + arg + "'";
    ToolRun run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      run.output.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }

  TempPrefix prefix;
};

TEST_F(SignToolTest, KeygenSignAndVerifyRoundTripKeepingEveryOtherByte) {
  const ToolRun keygen = Sign({"keygen", Key()});
  ASSERT_EQ(keygen.status, 0) << keygen.output;
  ASSERT_EQ(keygen.output.size(), 45u);  // 44 base64 characters and a line break
  const std::string publicKey = keygen.output.substr(0, 44);
  struct stat info {};
  ASSERT_EQ(stat(Key().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  ASSERT_EQ(
      Sign({"sign", Key(), Catalogue(), "--files", Files(), "--expires", "31/12/2099"}).status, 0);
  std::string signedText = ReadHostFile(Catalogue());
  const std::size_t at = signedText.find("    <Sha256>");
  ASSERT_NE(at, std::string::npos) << signedText;
  // The new field on a line of its own, indented like the one above; the
  // existing field's text replaced; nothing else changed.
  std::string restored = signedText;
  restored.erase(at, restored.find("\r\n", at) + 2 - at);
  const std::size_t old = restored.find("<Sha256>") + 8;
  restored.replace(old, 64, "old");
  EXPECT_EQ(restored, kCatalogue);
  EXPECT_NE(ReadHostFile(prefix.Root() / "download.xml.sig").find("serial 1\nexpires 31/12/2099\n"),
            std::string::npos);

  const ToolRun verified = Sign({"verify", publicKey, Catalogue(), "--files", Files()});
  EXPECT_EQ(verified.status, 0) << verified.output;

  // Signing again counts the serial on; a changed installer no longer verifies.
  ASSERT_EQ(Sign({"sign", Key(), Catalogue()}).status, 0);
  EXPECT_NE(ReadHostFile(prefix.Root() / "download.xml.sig").find("serial 2\n"), std::string::npos);
  WriteHostFile(Files() / "b.exe", "installer B");
  const ToolRun changed = Sign({"verify", publicKey, Catalogue(), "--files", Files()});
  EXPECT_EQ(changed.status, 1);
  EXPECT_EQ(changed.output, "the item whose href is http://h/b.exe does not match its installer\n");
}

TEST_F(SignToolTest, FailuresChangeNothingAndBadUsageIsTwo) {
  ASSERT_EQ(Sign({"keygen", Key()}).status, 0);
  const std::string key = ReadHostFile(Key());
  EXPECT_EQ(Sign({"keygen", Key()}).status, 1);
  EXPECT_EQ(ReadHostFile(Key()), key);

  fs::remove(Files() / "b.exe");
  const ToolRun missing = Sign({"sign", Key(), Catalogue(), "--files", Files()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.output.find("no installer"), std::string::npos);
  EXPECT_EQ(ReadHostFile(Catalogue()), kCatalogue);
  EXPECT_FALSE(fs::exists(prefix.Root() / "download.xml.sig"));

  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"frobnicate"},
           {"keygen"},
           {"sign", Key()},
           {"sign", Key(), Catalogue(), "--serial", "x"},
           {"sign", Key(), Catalogue(), "--expires", "30/02/2030"},
           {"sign", Key(), Catalogue(), "--expires", "31/12/1999"},
           {"sign", Key(), Catalogue(), "--files"},
           {"verify", "not-a-key", Catalogue()}}) {
    EXPECT_EQ(Sign(args).status, 2) << ::testing::PrintToString(args);
  }
  EXPECT_EQ(Sign({"--help"}).status, 0);
}

TEST_F(SignToolTest, NothingTheUpdaterWouldRefuseIsSignedAndASecondDigestIsWarnedOf) {
  ASSERT_EQ(Sign({"keygen", Key()}).status, 0);
  const fs::path signature = prefix.Root() / "download.xml.sig";
  ASSERT_EQ(Sign({"sign", Key(), Catalogue(), "--serial", "999999999999999999"}).status, 0);
  // No serial follows the highest; an unreadable signature names none.
  for (const std::string& earlier : {ReadHostFile(signature), std::string("serial 7\n")}) {
    WriteHostFile(signature, earlier);
    const ToolRun refused = Sign({"sign", Key(), Catalogue()});
    EXPECT_EQ(refused.status, 1) << refused.output;
    EXPECT_EQ(ReadHostFile(signature), earlier);
  }

  WriteHostFile(Catalogue(),
                "<C><Downloads><Item><href>http://h/a.exe</href><Sha256>1</Sha256><Sha256>2"
                "</Sha256></Item></Downloads></C>");
  const ToolRun warned = Sign({"sign", Key(), Catalogue(), "--files", Files(), "--serial", "8"});
  EXPECT_EQ(warned.status, 0);
  EXPECT_NE(warned.output.find("ostrel-sign: warning: the item whose href is http://h/a.exe has 2 "
                               "<Sha256> fields; only the first is filled in and checked\n"),
            std::string::npos)
      << warned.output;
}

}  // namespace

namespace {

// Keygen's output: the public key's text.
std::string PublicKeyOf(const ToolRun& keygen) {
  return keygen.output.substr(0, keygen.output.find('\n'));
}

TEST_F(SignToolTest, AKeyListIsGoodOnlyOnceTheOldKeysAndItsOwnHaveSignedIt) {
  const fs::path oldKey = prefix.Root() / "old.pem";
  const fs::path newKey = prefix.Root() / "new.pem";
  const fs::path list = prefix.Root() / "keys.txt";
  const std::string oldPublic = PublicKeyOf(Sign({"keygen", oldKey}));
  const std::string newPublic = PublicKeyOf(Sign({"keygen", newKey}));
  ASSERT_EQ(Sign({"keys", "make", list, "--version", "1", "--threshold", "1", newPublic}).status,
            0);
  EXPECT_EQ(Sign({"keys", "make", list, "--version", "1", "--threshold", "1", newPublic}).status,
            1);  // never replaced
  EXPECT_EQ(Sign({"keys", "make", list, "--version", "2", "--threshold", "2", newPublic}).status,
            2);

  ASSERT_EQ(Sign({"keys", "sign", newKey, list}).status, 0);
  const ToolRun newOnly = Sign({"keys", "verify", oldPublic, list});
  EXPECT_EQ(newOnly.status, 1);
  EXPECT_NE(newOnly.output.find("signed by 0 of the 1 keys it needs of version 0"),
            std::string::npos);
  ASSERT_EQ(Sign({"keys", "sign", oldKey, list}).status, 0);
  ASSERT_EQ(Sign({"keys", "sign", oldKey, list}).status, 0);  // replaces its own signature
  EXPECT_EQ(Sign({"keys", "verify", oldPublic, list}).output, "good: " + list.string() + "\n");
  const std::string signatures = ReadHostFile(list.string() + ".sig");
  EXPECT_EQ(std::count(signatures.begin(), signatures.end(), '\n'), 3);
}

}  // namespace

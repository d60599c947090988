// Signed catalogues and installer digests through the document, against a
// real server on loopback, real keys and real installers.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <utility>

#include "catalogue/catalogue_trust.h"
#include "catalogue/key_list.h"
#include "catalogue/server_urls.h"
#include "catalogue_fixture.h"
#include "platform/base64.h"
#include "platform/crypto.h"
#include "platform/state_folder.h"
#include "support/settings.h"
#include "support/updater_state.h"
#include "testkit/host.h"

namespace {

constexpr char kRefused[] = "The update catalogue was refused: ";
constexpr char kUntrusted[] =
    "The update catalogue was refused: it is signed by a key that is not trusted here.";

struct Signer {
  std::string pem = platform::NewEd25519PrivateKeyPem().value();
  std::string key = platform::Ed25519PublicKeyOf(pem).value();
};

class CatalogueTrustTest : public CatalogueTest {
 protected:
  CatalogueTrustTest() {
    SetEnvironment("OSTREL_PUBLIC_KEY", platform::Base64Encode(m_signer.key));
    PublishInstaller("a.exe");
    PublishInstaller("b.exe");
  }
  ~CatalogueTrustTest() override { UnsetEnvironment("OSTREL_PUBLIC_KEY"); }

  // <Sha256> of an installer as it is now on the server.
  std::string DigestField(const std::string& path) const {
    return "<Sha256>" + platform::Sha256Hex(InstallerScript(path)) + "</Sha256>";
  }

  void PublishSigned(const std::vector<CatalogueItem>& items, std::uint64_t serial,
                     SignatureDate expires = SignatureDate::DaysFromToday(30)) {
    PublishSignedBy(m_signer, items, serial, expires);
  }

  void PublishSignedBy(const Signer& signer, const std::vector<CatalogueItem>& items,
                       std::uint64_t serial,
                       SignatureDate expires = SignatureDate::DaysFromToday(30)) {
    Publish(items);
    const std::string catalogue = ReadHostFile(server.Root() / "download.xml");
    SignatureFile file{signer.key, serial, expires, ""};
    file.signature = platform::SignEd25519(signer.pem, SignedMessage(file, catalogue)).value();
    server.AddFile("download.xml.sig", FormatSignatureFile(file));
  }

  // keys.txt (or keys.<N>.txt) naming `keys`, signed by `signers`.
  void PublishKeyList(const std::string& name, std::uint64_t version,
                      const std::vector<const Signer*>& keys,
                      const std::vector<const Signer*>& signers) {
    KeyList list{version, 1, {}};
    for (const Signer* signer : keys)
      list.keys.push_back(signer->key);
    const std::string text = FormatKeyList(list);
    std::vector<KeySignature> signatures;
    for (const Signer* signer : signers)
      signatures.push_back({signer->key, platform::SignEd25519(signer->pem, text).value()});
    server.AddFile(name, text);
    server.AddFile(name + ".sig", FormatKeySignatures(signatures));
  }

  // A new run's catalogue load; the messages it showed.
  std::vector<std::string> LoadInANewRun() {
    const std::size_t before = desktop.Messages().size();
    CUpdateDoc run;
    run.LoadCatalogue();
    const std::vector<std::string> all = desktop.Messages();
    return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
  }

  std::vector<CatalogueItem> TwoItems() const {
    return {{"Accounts", "a.exe", "1", "a.txt", DigestField("a.exe")},
            {"Payroll", "b.exe", "1", "b.txt", DigestField("b.exe")}};
  }

  bool InstallAllAndRest() {
    doc.InstallAll();
    return RunUntilIdle();
  }

  static std::optional<std::string> RecordedSerial() {
    UpdaterState state = UpdaterState::Here();
    return state.Load() ? state.Get("catalogueserial", "ostrel") : std::nullopt;
  }

 private:
  Signer m_signer;

 protected:
  const Signer& oldKey = m_signer;  // the one the updater starts from
};

TEST_F(CatalogueTrustTest, ASignedCatalogueWithMatchingInstallersInstallsAndKeepsItsSerial) {
  SKIP_ON_WINDOWS("Installers that are shell scripts, counted as they run");
  WriteProfileString("internet", "catalogueserialostrel", "2");  // an earlier version's
  PublishSigned(TwoItems(), 5);
  doc.LoadCatalogue();
  ASSERT_TRUE(InstallAllAndRest());
  EXPECT_EQ(WaitForRecords(2).size(), 2u);
  EXPECT_TRUE(desktop.Messages().empty());
  EXPECT_NE(prefix.LogText().find("download.xml verified: serial 5"), std::string::npos);
  EXPECT_EQ(RecordedSerial(), "5");
  EXPECT_EQ(GetProfileString("internet", "catalogueserialostrel", ""), "2");

  // Once the updater has its own record, the settings file's is not read.
  WriteProfileString("internet", "catalogueserialostrel", "9");
  PublishSigned(TwoItems(), 6);
  CUpdateDoc later;
  later.LoadCatalogue();
  EXPECT_EQ(later.Downloads()->Children().size(), 2u);
  EXPECT_EQ(RecordedSerial(), "6");
}

TEST_F(CatalogueTrustTest, OneFlippedByteInAnInstallerStartsNothingAndSaysWhich) {
  PublishSigned(TwoItems(), 1);
  std::string tampered = InstallerScript("a.exe");
  tampered.back() ^= 1;
  server.AddFile("a.exe", tampered);
  doc.LoadCatalogue();
  doc.StartDownload(Item(0));
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>{
                                    "The download of Accounts failed its check and was not used."});
  EXPECT_FALSE(std::filesystem::exists(prefix.Host("c:\\temp\\a.exe")));
  EXPECT_NE(prefix.LogText().find("c:\\temp\\a.exe: digest "), std::string::npos);
}

TEST_F(CatalogueTrustTest, AnItemWithoutADigestInASignedCatalogueIsNotStarted) {
  PublishSigned({{"Accounts", "a.exe"}}, 1);
  doc.LoadCatalogue();
  ASSERT_TRUE(InstallAllAndRest());
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(desktop.Messages(),
            std::vector<std::string>{
                "Accounts was not started because its signed catalogue gives no digest for it."});
}

TEST_F(CatalogueTrustTest, AnInformationTextThatFailsItsDigestIsNotOpened) {
  server.AddFile("a.txt", "What changed");
  PublishSigned({{"Accounts", "a.exe", "1", "a.txt",
                  DigestField("a.exe") + "<InfoSha256>" + platform::Sha256Hex("What else") +
                      "</InfoSha256>"}},
                1);
  doc.LoadCatalogue();
  doc.ShowInfo(Item(0));
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_TRUE(desktop.OpenedFiles().empty());
  EXPECT_EQ(desktop.Messages(),
            std::vector<std::string>{"The download of a.txt failed its check and was not used."});
}

TEST_F(CatalogueTrustTest, ASignatureBehindTheCataloguesLoginIsAskedForAndVerified) {
  PublishSigned(TwoItems(), 2);
  LoopbackServer guarded(
      LoopbackServer::Options{.root = server.Root(), .extraArgs = {"--auth", "anna:s3cret"}});
  SetEnvironment("OSTREL_CATALOGUE_URL", guarded.BaseUrl().c_str());
  desktop.QueueCredentials(Desktop::Credentials{"anna", "s3cret"});
  desktop.QueueCredentials(Desktop::Credentials{"anna", "s3cret"});
  doc.LoadCatalogue();
  EXPECT_EQ(desktop.CredentialPrompts().size(), 2u);
  EXPECT_TRUE(desktop.Messages().empty());
  EXPECT_EQ(doc.Downloads()->Children().size(), 2u);
}

// Another program rewrites the catalogue's file while the user logs in for
// its signature, after the catalogue has arrived.
class FileChangingRecorder : public DesktopRecorder {
 public:
  explicit FileChangingRecorder(std::filesystem::path file) : m_file(std::move(file)) {}
  std::optional<Credentials> AskCredentials(const std::string& site) override {
    if (!CredentialPrompts().empty())
      WriteHostFile(m_file,
                    "<Catalogue><Downloads><Item><Description>Planted</Description></Item>"
                    "</Downloads></Catalogue>");
    DesktopRecorder::AskCredentials(site);
    return Credentials{"anna", "s3cret"};
  }

 private:
  std::filesystem::path m_file;
};

TEST_F(CatalogueTrustTest, TheListIsReadFromTheVerifiedBytesNotFromTheFileAgain) {
  PublishSigned(TwoItems(), 2);
  LoopbackServer guarded(
      LoopbackServer::Options{.root = server.Root(), .extraArgs = {"--auth", "anna:s3cret"}});
  SetEnvironment("OSTREL_CATALOGUE_URL", guarded.BaseUrl().c_str());
  FileChangingRecorder changer(prefix.Host("c:\\temp\\temp.xml"));
  doc.LoadCatalogue();
  ASSERT_EQ(changer.CredentialPrompts().size(), 2u);
  EXPECT_NE(ReadHostFile(prefix.Host("c:\\temp\\temp.xml")).find("Planted"), std::string::npos);
  EXPECT_EQ(ItemDescriptions(), (std::vector<std::string>{"Accounts", "Payroll"}));
}

TEST_F(CatalogueTrustTest, ARotationUndoesALeakedKeysFastForwardAndRetiresTheKey) {
  PublishSignedBy(oldKey, TwoItems(), kMostSerial);  // by whoever holds the leaked key
  EXPECT_TRUE(LoadInANewRun().empty());
  ASSERT_EQ(RecordedSerial(), std::to_string(kMostSerial));

  const Signer newKey;
  PublishKeyList("keys.txt", 1, {&newKey}, {&oldKey, &newKey});
  PublishSignedBy(newKey, TwoItems(), 1);
  EXPECT_TRUE(LoadInANewRun().empty());
  EXPECT_EQ(RecordedSerial(), "1");
  EXPECT_NE(prefix.LogText().find("the key list version 1 for ostrel is accepted"),
            std::string::npos);

  // The next list comes through its own file while keys.txt has moved on.
  const Signer third;
  server.AddFile("keys.1.txt", ReadHostFile(server.Root() / "keys.txt"));
  server.AddFile("keys.1.txt.sig", ReadHostFile(server.Root() / "keys.txt.sig"));
  PublishKeyList("keys.txt", 2, {&third}, {&newKey, &third});
  PublishSignedBy(oldKey, TwoItems(), kMostSerial);
  EXPECT_EQ(LoadInANewRun(), std::vector<std::string>{kUntrusted});
  PublishSignedBy(third, TwoItems(), 1);
  EXPECT_TRUE(LoadInANewRun().empty());

  // The recorded lists follow only from the keys they started from: keys
  // the administrator pins start the chain again.
  const Signer pinned;
  prefix.SetMachinePolicy({{"Update", "PublicKeys", platform::Base64Encode(pinned.key)}});
  std::filesystem::remove(server.Root() / "keys.txt");
  EXPECT_EQ(LoadInANewRun(), std::vector<std::string>{kUntrusted});
  EXPECT_NE(prefix.LogText().find("the recorded key list version 1 for ostrel is not used: it is "
                                  "signed by 0 of the 1 keys it needs of version 0"),
            std::string::npos);
}

TEST_F(CatalogueTrustTest, AKeyListThatDoesNotFollowTheKeysHeldIsRefused) {
  const Signer newKey;
  const Signer other;
  PublishSignedBy(newKey, TwoItems(), 1);
  const struct {
    std::uint64_t version;
    std::vector<const Signer*> signers;
    const char* reason;
  } cases[] = {
      {2, {&oldKey, &newKey}, "keys.1.txt is not on the server"},
      {1, {&newKey}, "it is signed by 0 of the 1 keys it needs of version 0"},
      {1, {&oldKey, &other}, "it is signed by 0 of the 1 keys it needs of version 1"},
  };
  for (const auto& listCase : cases) {
    PublishKeyList("keys.txt", listCase.version, {&newKey}, listCase.signers);
    EXPECT_EQ(LoadInANewRun(), std::vector<std::string>{kUntrusted}) << listCase.reason;
    EXPECT_NE(prefix.LogText().find(listCase.reason), std::string::npos) << listCase.reason;
  }
  EXPECT_EQ(RecordedSerial(), std::nullopt);
}

TEST_F(CatalogueTrustTest, ThePoliciesKeysAndServerWinOverTheUsersSettingsAndVariables) {
  const Signer administrators;
  WriteProfileString("internet", "publickey", platform::Base64Encode(oldKey.key));
  prefix.SetMachinePolicy({{"Update", "PublicKeys", platform::Base64Encode(administrators.key)},
                           {"CatalogueUrls", "ostrel", server.BaseUrl()}});
  SetEnvironment("OSTREL_CATALOGUE_URL", "http://127.0.0.1:9/");
  PublishSigned(TwoItems(), 1);
  EXPECT_EQ(LoadInANewRun(), std::vector<std::string>{kUntrusted});
  PublishSignedBy(administrators, TwoItems(), 2);
  EXPECT_TRUE(LoadInANewRun().empty());
  EXPECT_EQ(RecordedSerial(), "2");

  // One the updater cannot use stops it at start, as a bad variable does.
  prefix.SetMachinePolicy({{"Update", "CatalogueUrl", "ftp://updates/"}});
  EXPECT_EQ(CatalogueUrlProblem(),
            "The machine policy's catalogue URL for ostrel is \"ftp://updates/\", which cannot be "
            "used: it does not begin with http:// or https://. Ask your administrator to correct "
            "it.");
}

// What an earlier run, an earlier version or the machine left before the catalogue comes.
enum class Before { kNothing, kAcceptedSerial4, kSettingsSerial4, kFileInPlaceOfStateFolder };

struct RefusalCase {
  const char* name;
  Before before;
  bool signatureServed;
  const char* reason;
};

class CatalogueRefusalTest : public CatalogueTrustTest,
                             public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(CatalogueRefusalTest, RefusesTheCatalogueWithItsReasonAndInstallsNothing) {
  const std::filesystem::path stateFolder = platform::UpdaterStateFile().value().parent_path();
  switch (GetParam().before) {
    case Before::kNothing:
      break;
    case Before::kAcceptedSerial4: {
      PublishSigned(TwoItems(), 4);
      CUpdateDoc earlier;
      earlier.LoadCatalogue();
      // Any program of the suite may rewrite the shared settings file.
      WriteHostFile(prefix.Host("c:\\windows\\ostrel.ini"), "");
      break;
    }
    case Before::kSettingsSerial4:
      WriteProfileString("internet", "catalogueserialostrel", "4");
      break;
    case Before::kFileInPlaceOfStateFolder:
      std::filesystem::remove_all(stateFolder);
      std::filesystem::create_directories(stateFolder.parent_path());
      WriteHostFile(stateFolder, "not a folder");
      break;
  }
  PublishSigned(TwoItems(), 3);
  if (!GetParam().signatureServed)
    std::filesystem::remove(server.Root() / "download.xml.sig");
  doc.LoadCatalogue();
  ASSERT_TRUE(InstallAllAndRest());
  const std::string message = kRefused + std::string(GetParam().reason) + ".";
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>{message});
  EXPECT_TRUE(doc.Downloads()->Children().empty());
  EXPECT_NE(prefix.LogText().find(message), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(prefix.Host("c:\\temp\\temp.xml")));
  EXPECT_TRUE(Records().empty());
  if (GetParam().before == Before::kFileInPlaceOfStateFolder) {
    EXPECT_NE(prefix.LogText().find("could not be recorded: the folder "), std::string::npos);
    std::filesystem::remove(stateFolder);  // on Windows, outside the test's prefix
  }
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, CatalogueRefusalTest,
    ::testing::Values(RefusalCase{"Missing", Before::kNothing, false, "it has no signature"},
                      RefusalCase{"Replayed", Before::kAcceptedSerial4, true,
                                  "it is older (serial 3) than one already used (serial 4)"},
                      RefusalCase{"BelowTheSettingsFilesSerial", Before::kSettingsSerial4, true,
                                  "it is older (serial 3) than one already used (serial 4)"},
                      RefusalCase{"Unrecorded", Before::kFileInPlaceOfStateFolder, true,
                                  "its serial could not be recorded"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CatalogueTest, WithNoKeyAnUnsignedCatalogueWorksAndTheLogSaysItWasNotVerified) {
  SKIP_ON_WINDOWS("Installers that are shell scripts, counted as they run");
  PublishInstaller("a.exe");
  Publish({{"Accounts", "a.exe"}});
  doc.LoadCatalogue();
  doc.InstallAll();
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(WaitForRecords(1).size(), 1u);
  EXPECT_NE(prefix.LogText().find("download.xml not verified: no public key is configured"),
            std::string::npos);
  EXPECT_EQ(server.Requests().size(), 2u);  // the catalogue and the installer, no .sig
}

}  // namespace

// TransferFile against a real HTTP server on loopback and real files.
#include "catalogue/transfer_file.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

#include "support/settings.h"
#include "testkit/desktop_recorder.h"
#include "testkit/host.h"
#include "testkit/loopback_proxy.h"
#include "testkit/loopback_server.h"
#include "testkit/temp_prefix.h"

namespace fs = std::filesystem;

namespace {

constexpr char kTarget[] = "c:\\downloads\\setup.exe";

class TransferFileTest : public ::testing::Test {
 protected:
  TransferFileTest() { fs::create_directories(Folder()); }
  ~TransferFileTest() override { UnsetEnvironment("OSTREL_LOW_SPEED_TIME"); }

  fs::path Folder() const { return prefix.Host("c:\\downloads"); }
  std::string Target() const { return prefix.ReadFile(kTarget); }

  // Every name in the download folder: a partial or temporary file shows here.
  std::set<std::string> FolderNames() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(Folder()))
      names.insert(entry.path().filename().string());
    return names;
  }

  bool Fetch(const std::string& path) { return TransferFile(server.Url(path), kTarget, &counter); }

  void ExpectFailureMessageFor(const std::string& url) const {
    EXPECT_EQ(desktop.Messages(), std::vector<std::string>{DownloadFailedMessage(url)});
  }

  TempPrefix prefix;
  DesktopRecorder desktop;
  LoopbackServer server;
  std::atomic<std::int32_t> counter{77};
};

TEST_F(TransferFileTest, AWholeFileArrivesWithTheFixedHeadersAndIsCounted) {
  server.AddFile("setup.exe", GeneratedBytes(300000));
  ASSERT_TRUE(Fetch("setup.exe"));
  EXPECT_EQ(Target(), GeneratedBytes(300000));
  EXPECT_EQ(counter.load(), 300000);
  EXPECT_TRUE(desktop.Messages().empty());
  EXPECT_EQ(FolderNames(), std::set<std::string>{"setup.exe"});

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  // The lines the client adds of itself (Host, and Connection on Windows) are its own.
  std::vector<std::pair<std::string, std::string>> sent = requests[0].headers;
  std::erase_if(sent, [](const auto& h) { return h.first == "Host" || h.first == "Connection"; });
  EXPECT_EQ(sent, (std::vector<std::pair<std::string, std::string>>{{"Accept", "*/*"},
                                                                    {"User-Agent", "Ostrel"},
                                                                    {"Cache-Control", "no-cache"},
                                                                    {"Pragma", "no-cache"}}));
  EXPECT_NE(prefix.LogText().find("downloading " + server.Url("setup.exe") +
                                  " to c:\\downloads\\setup.exe\r\n"),
            std::string::npos);
}

TEST_F(TransferFileTest, ABlankInTheSourceIsSentEncodedAndTheFileArrives) {
  server.AddFile("Payroll Update.exe", "payroll");
  ASSERT_TRUE(Fetch("Payroll Update.exe"));
  EXPECT_EQ(Target(), "payroll");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].path, "/Payroll%20Update.exe");
}

TEST_F(TransferFileTest, AnEmptyBodyGivesAnEmptyFileAndResetsTheCounter) {
  prefix.WriteFile(kTarget, "earlier");
  server.AddFile("empty.txt", "");
  ASSERT_TRUE(Fetch("empty.txt"));
  EXPECT_TRUE(fs::exists(prefix.Host(kTarget)));
  EXPECT_EQ(Target(), "");
  EXPECT_EQ(counter.load(), 0);
  EXPECT_TRUE(desktop.Messages().empty());
}

TEST_F(TransferFileTest, AnErrorPageOrABodyCutShortFailsAndLeavesTheEarlierFileAlone) {
  prefix.WriteFile(kTarget, "earlier");
  for (const char* path :
       {"-/status/404", "-/status/500", "missing.exe", "-/short/200000", "-/drop/200000"}) {
    SCOPED_TRACE(path);
    DesktopRecorder fresh;
    EXPECT_FALSE(Fetch(path));
    EXPECT_EQ(fresh.Messages(), std::vector<std::string>{DownloadFailedMessage(server.Url(path))});
    EXPECT_EQ(Target(), "earlier");
    EXPECT_EQ(FolderNames(), std::set<std::string>{"setup.exe"});
  }
  EXPECT_NE(prefix.LogText().find("failed: status 404"), std::string::npos);
}

TEST_F(TransferFileTest, AStalledServerFailsOnceTheLowSpeedTimeHasPassed) {
  SetEnvironment("OSTREL_LOW_SPEED_TIME", "2");
  EXPECT_FALSE(Fetch("-/stall/100000"));
  ExpectFailureMessageFor(server.Url("-/stall/100000"));
  EXPECT_FALSE(fs::exists(prefix.Host(kTarget)));
  EXPECT_TRUE(FolderNames().empty());
}

TEST_F(TransferFileTest, ASlowButSteadyServerIsNotAStall) {
  SetEnvironment("OSTREL_LOW_SPEED_TIME", "2");
  // Over 1,024 bytes in every 2 s, for longer than 2 s.
  ASSERT_TRUE(Fetch("-/trickle/3000?every=0.001"));
  EXPECT_EQ(Target(), GeneratedBytes(3000));
}

struct BoundCase {
  const char* source;  // a server path, or a "file::" source
  TransferBounds bounds;
  const char* logged;  // what the log says of the failure
};

TEST_F(TransferFileTest, TransfersOverTheirBoundsFailAndLeaveNothingBehind) {
  SetEnvironment("OSTREL_LOW_SPEED_TIME", "2");
  prefix.WriteFile("c:\\big.exe", GeneratedBytes(5000));
  const BoundCase cases[] = {
      {"-/endless", TransferBounds::ForText(), "larger than 16777216 bytes"},
      {"-/bytes/5000", {4096, 0}, "larger than 4096 bytes"},
      {"file::c:\\big.exe", {4096, 0}, "larger than 4096 bytes"},
      // 2.5 bytes a second: fewer than 1,024 in the low-speed time.
      {"-/trickle/1000?every=0.4", {}, "fewer than 1024 bytes arrived in 2 s"},
      // Steady enough not to stall, too slow for the deadline.
      {"-/trickle/100000?every=0.0005", {kTextMostBytes, 1}, "timed out"},
  };
  for (const BoundCase& c : cases) {
    SCOPED_TRACE(c.source);
    const bool local = std::string(c.source).rfind("file::", 0) == 0;
    EXPECT_FALSE(TransferFile(local ? c.source : server.Url(c.source), kTarget, &counter, nullptr,
                              c.bounds));
    EXPECT_TRUE(FolderNames().empty());
  }
  const std::string log = prefix.LogText();
  for (const BoundCase& c : cases)
    EXPECT_NE(log.find(c.logged), std::string::npos) << c.logged;
}

TEST_F(TransferFileTest, AnUnreachableServerNamesTheUrlAndTheInstallFolder) {
  ASSERT_TRUE(WriteProfileString("paths", "install", "d:\\Suite"));
  const std::string url = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/x.exe";
  EXPECT_FALSE(TransferFile(url, kTarget, &counter));
  EXPECT_EQ(desktop.Messages(),
            std::vector<std::string>{"Download from " + url +
                                     " failed. Please make sure your firewall allows "
                                     "d:\\Suite\\update.exe to access the internet. Alternatively "
                                     "visit www.ostrel.co.uk and download from there."});
  EXPECT_EQ(counter.load(), 77);
  EXPECT_TRUE(FolderNames().empty());
}

// The failure is here, not on the network: the user is told where and why.
TEST_F(TransferFileTest, AMissingTargetFolderFailsBeforeAnyRequest) {
  const std::string url = server.Url("setup.exe");
  server.AddFile("setup.exe", "MZ");
  EXPECT_FALSE(TransferFile(url, "c:\\nowhere\\setup.exe", &counter));
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>{SaveFailedMessage(
                                    url, "c:\\nowhere", "No such file or directory")});
  EXPECT_TRUE(server.Requests().empty());
}

TEST_F(TransferFileTest, AFolderInTheTargetsPlaceFailsAndIsLeftAlone) {
  fs::create_directory(prefix.Host(kTarget));
  server.AddFile("setup.exe", "MZ");
  EXPECT_FALSE(Fetch("setup.exe"));
  ASSERT_EQ(desktop.Messages().size(), 1u);
  // The system's reason differs between hosts ("Is a directory").
  EXPECT_TRUE(desktop.Messages()[0].starts_with("The download from " + server.Url("setup.exe") +
                                                " could not be saved in c:\\downloads: "))
      << desktop.Messages()[0];
  EXPECT_TRUE(fs::is_directory(prefix.Host(kTarget)));
  EXPECT_EQ(FolderNames(), std::set<std::string>{"setup.exe"});
}

#ifndef _WIN32
TEST_F(TransferFileTest, AFolderThatTakesNoMoreBytesIsToldAsSuchAndKeepsNothing) {
  // A full disk, for this process only: writes past 4 KiB fail.
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  const rlimit small{4096, before.rlim_max};
  signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool fetched = Fetch("-/bytes/100000");
  setrlimit(RLIMIT_FSIZE, &before);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_FALSE(fetched);
  EXPECT_EQ(desktop.Messages(),
            std::vector<std::string>{SaveFailedMessage(server.Url("-/bytes/100000"),
                                                       "c:\\downloads", "File too large")});
  EXPECT_TRUE(FolderNames().empty());
}
#endif

TEST_F(TransferFileTest, RedirectsAreFollowedUpToTen) {
  server.AddFile("setup.exe", "MZ");
  ASSERT_TRUE(Fetch("-/redirect/10/setup.exe"));
  EXPECT_EQ(Target(), "MZ");
  EXPECT_FALSE(Fetch("-/redirect/11/setup.exe"));
  ExpectFailureMessageFor(server.Url("-/redirect/11/setup.exe"));
  EXPECT_EQ(Target(), "MZ");
}

TEST_F(TransferFileTest, OnlyHttpAndHttpsAreFetchedEvenAfterARedirect) {
  prefix.WriteFile("c:\\secret.txt", "secret");
  const std::string local = "file://" + prefix.Host("c:\\secret.txt").string();
  // Upper case is not the local-copy prefix: it is handed to the URL opening.
  for (const std::string& url :
       {server.Url("-/redirect-to/" + local), local, std::string("FILE::c:\\secret.txt")}) {
    SCOPED_TRACE(url);
    DesktopRecorder fresh;
    EXPECT_FALSE(TransferFile(url, kTarget, &counter));
    EXPECT_EQ(fresh.Messages(), std::vector<std::string>{DownloadFailedMessage(url)});
    EXPECT_TRUE(FolderNames().empty());
  }
}

// -- 401 ---------------------------------------------------------------------

struct LoginCase {
  const char* scheme;
  const char* authorization;  // how the accepted request starts its Authorization
};

void PrintTo(const LoginCase& login, std::ostream* out) {
  *out << login.scheme;
}

class TransferFileLoginTest : public TransferFileTest,
                              public ::testing::WithParamInterface<LoginCase> {
 protected:
  std::string ProtectedPath() const {
    return std::string("-/auth/") + GetParam().scheme + "/anna/s3cret/setup.exe";
  }
  std::string Site() const { return "127.0.0.1:" + std::to_string(server.Port()); }
};

TEST_P(TransferFileLoginTest, GivenCredentialsAreSentOnceMoreAndTheFileIsSaved) {
  server.AddFile("setup.exe", "MZ installer");
  desktop.QueueCredentials(Desktop::Credentials{"anna", "s3cret"});
  ASSERT_TRUE(Fetch(ProtectedPath()));
  EXPECT_EQ(Target(), "MZ installer");
  EXPECT_EQ(counter.load(), 12);
  EXPECT_EQ(desktop.CredentialPrompts(), std::vector<std::string>{Site()});
  EXPECT_TRUE(desktop.Messages().empty());

  const auto requests = server.Requests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_FALSE(requests.front().HasHeader("Authorization"));
  EXPECT_EQ(requests.back().Header("Authorization").rfind(GetParam().authorization, 0), 0u);
  EXPECT_EQ(requests.back().Header("User-Agent"), "Ostrel");
  // The retry keeps the connection alive.
  EXPECT_EQ(requests.back().peer, requests.front().peer);
}

TEST_P(TransferFileLoginTest, ACancelledPromptIsAccessDeniedAndLeavesNoFile) {
  desktop.QueueCredentials(std::nullopt);
  EXPECT_FALSE(Fetch(ProtectedPath()));
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>{"Access denied: Invalid password"});
  EXPECT_EQ(counter.load(), 77);
  EXPECT_TRUE(FolderNames().empty());
}

TEST_P(TransferFileLoginTest, ASecondRefusalIsAccessDeniedWithoutASecondPrompt) {
  prefix.WriteFile(kTarget, "earlier");
  desktop.QueueCredentials(Desktop::Credentials{"anna", "wrong"});
  desktop.QueueCredentials(Desktop::Credentials{"anna", "s3cret"});
  EXPECT_FALSE(Fetch(ProtectedPath()));
  EXPECT_EQ(desktop.CredentialPrompts().size(), 1u);
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>{"Access denied: Invalid password"});
  EXPECT_EQ(Target(), "earlier");
  EXPECT_EQ(FolderNames(), std::set<std::string>{"setup.exe"});
}

INSTANTIATE_TEST_SUITE_P(Schemes, TransferFileLoginTest,
                         ::testing::Values(LoginCase{"basic", "Basic "},
                                           LoginCase{"digest", "Digest "},
                                           LoginCase{"both", "Digest "}),
                         [](const auto& info) { return std::string(info.param.scheme); });

TEST_F(TransferFileTest, CredentialsAreNeverCarriedAlongARedirectToAnotherHost) {
  LoopbackServer other(LoopbackServer::Options{.bind = "127.0.0.2"});
  other.AddFile("setup.exe", "MZ elsewhere");
  desktop.QueueCredentials(Desktop::Credentials{"anna", "s3cret"});
  ASSERT_TRUE(Fetch("-/auth/basic/anna/s3cret/-/redirect-to/" + other.Url("setup.exe")));
  EXPECT_EQ(Target(), "MZ elsewhere");
  const auto requests = other.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_FALSE(requests[0].HasHeader("Authorization"));
}

TEST_F(TransferFileTest, AServerReachedByRedirectIsAskedForItsOwnLogin) {
  LoopbackServer other(LoopbackServer::Options{.bind = "127.0.0.2"});
  other.AddFile("setup.exe", "MZ");
  desktop.QueueCredentials(Desktop::Credentials{"anna", "s3cret"});
  ASSERT_TRUE(Fetch("-/redirect-to/" + other.Url("-/auth/basic/anna/s3cret/setup.exe")));
  EXPECT_EQ(desktop.CredentialPrompts(),
            std::vector<std::string>{"127.0.0.2:" + std::to_string(other.Port())});
  EXPECT_EQ(server.Requests().size(), 1u);
}

// -- 407 ---------------------------------------------------------------------

TEST_F(TransferFileTest, AProxysLoginIsAskedForOnceAndTheFileArrivesWholeThroughIt) {
  LoopbackProxy proxy;
  server.AddFile("setup.exe", GeneratedBytes(300000));
  const struct {
    std::optional<Desktop::Credentials> given;
    bool arrives;
  } cases[] = {
      {Desktop::Credentials{LoopbackProxy::kUser, LoopbackProxy::kPassword}, true},
      // Refused again: no second prompt.
      {Desktop::Credentials{LoopbackProxy::kUser, "wrong"}, false},
      {std::nullopt, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given ? c.given->password : "cancelled");
    DesktopRecorder user;
    user.QueueCredentials(c.given);
    user.QueueCredentials(c.given);
    fs::remove(prefix.Host(kTarget));
    EXPECT_EQ(Fetch("setup.exe"), c.arrives);
    EXPECT_EQ(user.CredentialPrompts(), std::vector<std::string>{"the proxy " + proxy.Site()});
    if (c.arrives) {
      EXPECT_EQ(Target(), GeneratedBytes(300000));
      EXPECT_TRUE(user.Messages().empty());
    } else {
      EXPECT_EQ(user.Messages(), std::vector<std::string>{"Access denied: Invalid password"});
      EXPECT_TRUE(FolderNames().empty());
    }
  }
  // Only what passed the proxy reached the server, and only the proxy had the login.
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(requests[0].HasHeader("Via"));
  EXPECT_FALSE(requests[0].HasHeader("Proxy-Authorization"));
  EXPECT_FALSE(requests[0].HasHeader("Authorization"));
}

// -- local copies -------------------------------------------------------------

// Looks at the target while a message is up.
class TargetWatcher final : public DesktopRecorder {
 public:
  explicit TargetWatcher(fs::path target) : m_target(std::move(target)) {}
  void MessageBox(const std::string& text) override {
    DesktopRecorder::MessageBox(text);
    targetWhileShown.push_back(ReadHostFile(m_target));
  }
  std::vector<std::string> targetWhileShown;

 private:
  fs::path m_target;
};

TEST_F(TransferFileTest, ALocalSourceIsAnnouncedThenCopiedWithoutTouchingTheCounter) {
  SKIP_ON_WINDOWS("Network shares and drives that a Wine prefix maps onto its own folders");
  prefix.WriteFile(kTarget, "earlier");
  prefix.WriteFile("\\\\server\\share\\setup.exe", GeneratedBytes(100000));
  TargetWatcher watcher(prefix.Host(kTarget));
  ASSERT_TRUE(TransferFile("file::\\\\server\\share/setup.exe", kTarget, &counter));
  EXPECT_EQ(watcher.Messages(), std::vector<std::string>{"downloading..."});
  EXPECT_EQ(watcher.targetWhileShown, std::vector<std::string>{"earlier"});
  EXPECT_EQ(Target(), GeneratedBytes(100000));
  EXPECT_EQ(counter.load(), 77);
}

TEST_F(TransferFileTest, ALocalCopyKeepsTheSourcesPermissionsButNoSetIdBit) {
  SKIP_ON_WINDOWS("POSIX modes and symbolic links");
  const struct {
    fs::perms source, copy;
  } cases[] = {{fs::perms(0600), fs::perms(0600)},
               {fs::perms(0755), fs::perms(0755)},
               {fs::perms(04755), fs::perms(0755)}};
  for (const auto& c : cases) {
    prefix.WriteFile("c:\\upload\\setup.exe", "MZ");
    fs::permissions(prefix.Host("c:\\upload\\setup.exe"), c.source);
    ASSERT_TRUE(TransferFile("file::c:\\upload\\setup.exe", kTarget, nullptr));
    EXPECT_EQ(fs::status(prefix.Host(kTarget)).permissions(), c.copy);
  }
}

TEST_F(TransferFileTest, AMissingLocalSourceFailsQuietlyAndKeepsTheEarlierFile) {
  prefix.WriteFile(kTarget, "earlier");
  EXPECT_FALSE(TransferFile("file::c:\\missing\\setup.exe", kTarget, &counter));
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>{"downloading..."});
  EXPECT_EQ(Target(), "earlier");
  EXPECT_EQ(FolderNames(), std::set<std::string>{"setup.exe"});
}

}  // namespace

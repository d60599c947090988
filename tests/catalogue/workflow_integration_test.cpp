// Downloading and starting real installers from a loopback server.
#include <ctime>
#include <filesystem>

#include "catalogue/transfer_file.h"
#include "catalogue_fixture.h"
#include "support/clock.h"
#include "support/machine_policy.h"
#include "support/settings.h"
#include "testkit/host.h"
#include "xml/xml_var.h"

namespace fs = std::filesystem;

namespace {

// The installers in the order their downloads started. Each download is
// logged twice: as the workflow starts it and as the transfer begins.
std::vector<std::string> LoggedDownloads(const std::string& log, const std::string& base) {
  std::vector<std::string> sources;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    const auto at = line.find(": downloading " + base);
    const auto to = line.rfind(" to ");
    if (at == std::string::npos || to == std::string::npos)
      continue;
    const std::size_t from = at + 14 + base.size();
    const std::string source = line.substr(from, to - from);
    if (source.ends_with(".exe"))
      sources.push_back(source);
  }
  std::vector<std::string> once;
  for (std::size_t i = 0; i < sources.size(); i += 2)
    once.push_back(sources[i]);
  return once;
}

}  // namespace

// Installers start on a fixed day, noon local time, so that the date they
// record is known beforehand.
class Workflow : public CatalogueTest {
 protected:
  Workflow() {
    std::tm noon{};
    noon.tm_year = 2026 - 1900;
    noon.tm_mon = 5;
    noon.tm_mday = 15;
    noon.tm_hour = 12;
    noon.tm_isdst = -1;
    FixCurrentTime(std::mktime(&noon));
  }
  ~Workflow() override { FixCurrentTime(0); }
};

TEST_F(Workflow, AnInstallStartsTheInstallerInTheDownloadFolderAndTheNextOneSilently) {
  SKIP_ON_WINDOWS("Installers that are shell scripts, counted as they run");
  PublishInstaller("accounts.exe");
  Publish({{"Accounts", "accounts.exe", "1", "accounts.txt"}});
  doc.LoadCatalogue();

  doc.StartDownload(Item(0));
  EXPECT_EQ(doc.Progress().status, "Accounts");
  ASSERT_TRUE(RunUntilIdle());
  ASSERT_EQ(WaitForRecords(1).size(), 1u);
  EXPECT_EQ(Records()[0], "accounts.exe args=[] cwd=" + Folder("c:\\temp"));
  EXPECT_EQ(GetProfileString("internet", "updateaccounts", ""), "15/06/2026");
  EXPECT_EQ(doc.Progress().sizeKB, 1);

  doc.StartDownload(Item(0));
  ASSERT_TRUE(RunUntilIdle());
  ASSERT_EQ(WaitForRecords(2).size(), 2u);
  EXPECT_EQ(Records()[1], "accounts.exe args=[/S] cwd=" + Folder("c:\\temp"));
  EXPECT_TRUE(desktop.Messages().empty());
}

TEST_F(Workflow, InstallAllSkipsSpecialInstallersAndPutsLibrariesFirstAllSilently) {
  SKIP_ON_WINDOWS("Installers that are shell scripts, counted as they run");
  const std::vector<std::string> names = {"one.exe",          "cisinst.exe", "dll.exe",
                                          "vista.exe",        "two.exe",     "drivers.exe",
                                          "vcredist_x86.exe", "a/dll.exe",   "three.exe"};
  std::vector<CatalogueItem> items;
  for (const auto& name : names) {
    PublishInstaller(name);
    items.push_back({name, name});
  }
  Publish(items);
  doc.LoadCatalogue();
  doc.InstallAll();
  EXPECT_EQ(desktop.ProgressOpened(), 1);
  ASSERT_TRUE(RunUntilIdle());

  // Both library items first, the later one ahead; then the rest in order.
  EXPECT_EQ(LoggedDownloads(prefix.LogText(), server.BaseUrl()),
            (std::vector<std::string>{"a/dll.exe", "dll.exe", "one.exe", "two.exe", "three.exe"}));
  const auto records = WaitForRecords(5);
  ASSERT_EQ(records.size(), 5u);
  for (const auto& line : records)
    EXPECT_NE(line.find("args=[/S]"), std::string::npos) << line;
}

TEST_F(Workflow, InstallAllOfSpecialItemsOnlyQueuesNothingButTurnsSilentOn) {
  Publish({{"Vista", "vista.exe"}, {"Drivers", "drivers.exe"}});
  doc.LoadCatalogue();
  doc.InstallAll();
  EXPECT_TRUE(doc.Idle());
  EXPECT_EQ(desktop.ProgressOpened(), 1);
}

TEST_F(Workflow, AFailedDownloadInAQueueOfThreeStartsTheOtherTwo) {
  SKIP_ON_WINDOWS("Installers that are shell scripts, counted as they run");
  PublishInstaller("first.exe");
  PublishInstaller("third.exe");
  Publish({{"First", "first.exe"}, {"Second", "missing/second.exe"}, {"Third", "third.exe"}});
  doc.LoadCatalogue();
  doc.InstallAll();
  ASSERT_TRUE(RunUntilIdle());
  auto records = WaitForRecords(2);
  std::sort(records.begin(), records.end());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].substr(0, 10), "first.exe ");
  EXPECT_EQ(records[1].substr(0, 10), "third.exe ");
  EXPECT_EQ(desktop.Messages().size(), 1u);  // the download-failed message
  EXPECT_FALSE(fs::exists(prefix.Host("c:\\temp\\second.exe")));
}

TEST_F(Workflow, AnInfoTooLongForASettingsKeyIsLoggedAndTheInstallGoesOn) {
  SKIP_ON_WINDOWS("Installers that are shell scripts, counted as they run");
  PublishInstaller("accounts.exe");
  Publish({{"Accounts", "accounts.exe", "1", std::string(100'000, 'i') + ".txt"}});
  doc.LoadCatalogue();
  doc.StartDownload(Item(0));
  ASSERT_TRUE(RunUntilIdle());
  ASSERT_EQ(WaitForRecords(1).size(), 1u);
  EXPECT_FALSE(fs::exists(ProfileHostPath()));
  EXPECT_NE(prefix.LogText().find("could not record the date of update" + std::string(74, 'i') +
                                  " in the settings file"),
            std::string::npos);
}

TEST_F(Workflow, InstallersRunOneAfterAnotherAndEachEndIsLogged) {
  SKIP_ON_WINDOWS("Installers that are shell scripts, counted as they run");
  const std::string busy = (prefix.Root() / "busy").string();
  for (const char* name : {"a.exe", "b.exe", "c.exe"}) {
    server.AddFile(name, "#!/bin/sh\n[ -e '" + busy + "' ] && echo overlap >> '" + busy +
                             ".log'\ntouch '" + busy + "'\nsleep 0.3\nrm '" + busy + "'\nexit 4\n");
  }
  Publish({{"A", "a.exe"}, {"B", "b.exe"}, {"C", "c.exe"}});
  doc.LoadCatalogue();
  doc.InstallAll();
  std::vector<std::string> statuses;
  ASSERT_TRUE(RunUntilIdle([&] {
    const ProgressSnapshot now = doc.Progress();
    if (now.status.rfind("waiting for ", 0) == 0 &&
        (statuses.empty() || statuses.back() != now.status))
      statuses.push_back(now.status);
    // The progress dialog stays while an installer runs or waits.
    EXPECT_TRUE(!now.installerUnderWay || now.inProgress);
  }));
  EXPECT_FALSE(fs::exists(busy + ".log"));
  EXPECT_FALSE(doc.InstallerUnderWay());
  EXPECT_EQ(statuses.front(), "waiting for c:\\temp\\a.exe /S to end");
  const std::string log = prefix.LogText();
  for (const char* name : {"a", "b", "c"}) {
    const std::string command = std::string("c:\\temp\\") + name + ".exe /S";
    EXPECT_NE(log.find(": starting " + command + "\r\n"), std::string::npos) << name;
    EXPECT_NE(log.find(": " + command + " ended with status 4\r\n"), std::string::npos) << name;
  }
}

TEST_F(Workflow, InstallersAskingForARestartLeadToOneMessageAtTheEnd) {
  SKIP_ON_WINDOWS("Installers that are shell scripts, counted as they run");
  server.AddFile("a.exe", "#!/bin/sh\nexit 3010\n");
  server.AddFile("b.exe", "#!/bin/sh\nexit 1641\n");
  server.AddFile("c.exe", "#!/bin/sh\nexit 0\n");
  Publish({{"A", "a.exe"}, {"B", "b.exe"}, {"C", "c.exe"}});
  doc.LoadCatalogue();
  doc.InstallAll();
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>{kRestartMessage});
  ASSERT_EQ(doc.Outcomes().size(), 3u);
  EXPECT_EQ(doc.Outcomes()[1].exitStatus, 1641);
}

TEST_F(Workflow, OnlyAnInstallerThatStartedIsRecordedAndAFailedStartIsShown) {
  SKIP_ON_WINDOWS("Installers that are shell scripts, counted as they run");
  server.AddFile("page.exe", "<html>not a program</html>");
  PublishInstaller("good.exe");
  Publish({{"Page", "page.exe", "1", "page.txt"},
           {"Missing", "missing/x.exe", "1", "missing.txt"},
           {"Good", "good.exe", "1", "good.txt"}});
  doc.LoadCatalogue();
  doc.InstallAll();
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(GetProfileString("internet", "updatepage", "none"), "none");
  EXPECT_EQ(GetProfileString("internet", "updatemissing", "none"), "none");
  EXPECT_EQ(GetProfileString("internet", "updategood", "none"), "15/06/2026");
  const auto messages = desktop.Messages();
  ASSERT_EQ(messages.size(), 2u);  // the failed download, and the failed start
  EXPECT_EQ(messages[0], "could not start c:\\temp\\page.exe /S");
  EXPECT_NE(prefix.LogText().find(": could not start c:\\temp\\page.exe /S\r\n"),
            std::string::npos);
}

TEST_F(Workflow, ReferencesWithoutAFileNameStartNothingAndTheQueueGoesOn) {
  SKIP_ON_WINDOWS("Installers that are shell scripts, counted as they run");
  PublishInstaller("last.exe");
  Publish({{"Folder", "installers/"}, {"Up", "a/.."}, {"Last", "last.exe"}});
  doc.LoadCatalogue();
  doc.InstallAll();
  ASSERT_TRUE(RunUntilIdle());
  const auto records = WaitForRecords(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].substr(0, 9), "last.exe ");
  EXPECT_EQ(server.Requests().size(), 2u);  // the catalogue and last.exe
}

TEST_F(Workflow, ASecondQueueWhileATransferRunsIsRefused) {
  Publish({{"Slow", "-/trickle/40"}, {"Other", "other.exe"}});
  doc.LoadCatalogue();
  doc.StartDownload(Item(0));
  ASSERT_TRUE(doc.Progress().inProgress);
  doc.InstallAll();
  doc.NetworkDownload();
  doc.StartDownload(Item(1));
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>(3, "download in progress, try later"));
  EXPECT_EQ(doc.Progress().queueLength, 0u);
  ASSERT_TRUE(RunUntilIdle());
}

TEST_F(Workflow, APolicyThatTurnsInstallingOffRefusesEachInstallCommandOnceAndShowsTheList) {
  PublishInstaller("a.exe");
  Publish({{"Accounts", "a.exe"}});
  prefix.SetMachinePolicy({{"Update", "AllowInstall", "0"}});
  doc.LoadCatalogue();
  ASSERT_EQ(ItemDescriptions(), std::vector<std::string>{"Accounts"});
  // No network folder is known: the refusal comes before Setup would be offered.
  doc.StartDownload(Item(0));
  doc.InstallAll();
  doc.NetworkDownload();
  doc.NetworkRun();
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>(4, InstallingTurnedOff()));
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(server.Requests().size(), 1u);  // the catalogue alone
  EXPECT_EQ(closeRequests, 0);

  // The library check's window closes on the refusal, as the suite waits.
  doc.SetClosesAfterFirstInstaller(true);
  doc.StartDownload(Item(0));
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(closeRequests, 1);
}

TEST_F(Workflow, NetworkDownloadFillsTheFolderAndNetworkRunInstallsFromItInTurn) {
  SKIP_ON_WINDOWS("Network shares and drives that a Wine prefix maps onto its own folders");
  WriteProfileString("paths", "installers", "\\\\server\\share\\installers");
  fs::create_directories(prefix.Host("\\\\server\\share"));
  std::vector<CatalogueItem> items;
  for (const char* name : {"a.exe", "b.exe", "c.exe", "d.exe", "e.exe"}) {
    PublishInstaller(name);
    items.push_back({name, name});
  }
  Publish(items);
  // A killed run's leftover from two days ago goes; another machine's live one stays.
  const fs::path abandoned = prefix.Host("\\\\server\\share\\installers\\.a.exe.0123abcd.part");
  const fs::path live = prefix.Host("\\\\server\\share\\installers\\.b.exe.89abcdef.part");
  fs::create_directories(abandoned.parent_path());
  WriteHostFile(abandoned, "half");
  WriteHostFile(live, "half");
  fs::last_write_time(abandoned, fs::file_time_type::clock::now() - std::chrono::hours(48));
  doc.LoadCatalogue();
  doc.NetworkDownload();
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(desktop.Messages(),
            std::vector<std::string>{"downloading to \\\\server\\share\\installers"});
  EXPECT_TRUE(fs::exists(prefix.Host("\\\\server\\share\\installers\\e.exe")));
  EXPECT_FALSE(fs::exists(abandoned));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_TRUE(Records().empty());

  CUpdateDoc runDoc;
  runDoc.LoadCatalogue();
  runDoc.NetworkRun();
  // Before the first Complete: one item started of the five in the catalogue.
  const ProgressSnapshot first = runDoc.Progress();
  EXPECT_EQ(first.bytesReceived / 1024 * 100 / first.sizeKB, 20);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!runDoc.Idle() && std::chrono::steady_clock::now() < deadline) {
    for (int command : desktop.TakePostedCommands())
      runDoc.OnCommand(command);
  }
  const std::string folder = Folder("\\\\server\\share\\installers");
  EXPECT_EQ(Records(), (std::vector<std::string>{
                           "a.exe args=[/S] cwd=" + folder, "b.exe args=[/S] cwd=" + folder,
                           "c.exe args=[/S] cwd=" + folder, "d.exe args=[/S] cwd=" + folder,
                           "e.exe args=[/S] cwd=" + folder}));
  EXPECT_EQ(desktop.ViewUpdates().back(), cmd::kHintProgress);
}

TEST_F(Workflow, SetupIsOfferedWhenNoFolderIsKnownAndACancelFallsBackToTheTempFolder) {
  SKIP_ON_WINDOWS("Network shares and drives that a Wine prefix maps onto its own folders");
  PublishInstaller("x.exe");
  Publish({{"X", "x.exe"}});
  doc.LoadCatalogue();
  desktop.QueueSetupAnswer("\\\\nas\\installers");
  fs::create_directories(prefix.Host("\\\\nas"));
  doc.NetworkDownload();
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(desktop.Events(),
            (std::vector<std::string>{"setup: ", "message: downloading to \\\\nas\\installers"}));
  EXPECT_EQ(GetProfileString("paths", "installers", ""), "\\\\nas\\installers");
  EXPECT_TRUE(fs::exists(prefix.Host("\\\\nas\\installers\\x.exe")));

  CUpdateDoc cancelled;
  WriteProfileString("paths", "installers", "");
  cancelled.LoadCatalogue();
  cancelled.NetworkRun();  // both Setup dialogs cancelled
  const auto events = desktop.Events();
  EXPECT_EQ(std::vector<std::string>(events.end() - 3, events.end()),
            (std::vector<std::string>{"setup: ", "message: installing from ", "setup: "}));
  // Its installers are looked for in, and started from, the temporary folder.
  EXPECT_EQ(fs::current_path(), Folder("c:\\temp"));
  cancelled.WaitForTransfer();
}

TEST_F(Workflow, SimulationCopiesFromTheUploadFolder) {
  SKIP_ON_WINDOWS("Network shares and drives that a Wine prefix maps onto its own folders");
  WriteProfileString("advanced", "sim", "1");
  prefix.WriteFile("y:\\upload\\acc\\setup.exe", InstallerScript("setup.exe"));
  // 29 characters of legacy server base URL, then the upload folder's own path.
  Publish({{"Sim", "http://legacy.example.co.uk/xacc/setup.exe"}});
  doc.LoadCatalogue();
  doc.StartDownload(Item(0));
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>{"downloading..."});
  ASSERT_EQ(WaitForRecords(1).size(), 1u);
  EXPECT_EQ(Records()[0], "setup.exe args=[] cwd=" + Folder("c:\\temp"));
}

TEST_F(Workflow, TheLibraryCheckModeClosesTheWindowAfterTheFirstInstaller) {
  SKIP_ON_WINDOWS("Installers that are shell scripts, counted as they run");
  doc.SetClosesAfterFirstInstaller(true);
  PublishInstaller("dll.exe");
  Publish({{"Libraries", "dll.exe", "1", "dll.txt"}});
  doc.LoadCatalogue();
  doc.StartDownload(Item(0));
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(closeRequests, 1);
  EXPECT_EQ(WaitForRecords(1).size(), 1u);
}

TEST_F(Workflow, InformationIsFetchedAndOpenedWithTheDefaultApplication) {
  server.AddFile("accounts.txt", "What is new in Accounts\r\n");
  Publish({{"Accounts", "accounts.exe", "1", "accounts.txt"}, {"None", "n.exe", "1", "none.txt"}});
  doc.LoadCatalogue();
  doc.ShowInfo(Item(0));
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(desktop.OpenedFiles(), std::vector<std::string>{"c:\\temp\\info.txt"});
  EXPECT_EQ(prefix.ReadFile("c:\\temp\\info.txt"), "What is new in Accounts\r\n");
  doc.ShowInfo(Item(1));  // a 404: reported, and the older text is not opened again
  ASSERT_TRUE(RunUntilIdle());
  EXPECT_EQ(desktop.OpenedFiles().size(), 1u);
  EXPECT_EQ(desktop.Messages().size(), 1u);
  EXPECT_EQ(desktop.ProgressOpened(), 2);
}

TEST_F(Workflow, ATricklingInformationTextHoldsNeitherTheWindowNorItsClosing) {
  // 20 bytes a second: enough not to stall, an hour for the whole text.
  const std::string info = "-/trickle/100000?every=0.05";
  Publish({{"Accounts", "accounts.exe", "1", info}});
  doc.LoadCatalogue();
  SetEnvironment("OSTREL_CATALOGUE_DEADLINE", "2");
  for (const bool closing : {true, false}) {
    doc.ShowInfo(Item(0));
    // Back at once: the text has neither arrived nor failed yet.
    EXPECT_TRUE(doc.Progress().inProgress);
    EXPECT_TRUE(desktop.Messages().empty());
    if (closing)
      doc.AbandonTransfer();
    ASSERT_TRUE(RunUntilIdle());
  }
  UnsetEnvironment("OSTREL_CATALOGUE_DEADLINE");
  // Closing abandoned it without a word; the deadline failed it.
  EXPECT_NE(prefix.LogText().find("download of " + server.Url(info) + " abandoned"),
            std::string::npos);
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>{DownloadFailedMessage(server.Url(info))});
  EXPECT_TRUE(desktop.OpenedFiles().empty());
}

// --check and --install-pending in-process, against a catalogue and real
// installers (shell scripts) served on loopback.
#include "app/unattended_run.h"

#include <sstream>

#include "../catalogue/catalogue_fixture.h"
#include "app/application.h"
#include "catalogue/pending_updates.h"
#include "support/machine_policy.h"
#include "support/settings.h"
#include "testkit/host.h"

namespace {

class Unattended : public CatalogueTest {
 protected:
  Unattended() { ResetCommandLine(); }
  ~Unattended() override { ResetCommandLine(); }

  int Run(const std::vector<std::string>& arguments) {
    out.str("");
    err.str("");
    ResetCommandLine();
    const UnattendedParse parse = ReadUnattendedRequest(arguments);
    EXPECT_TRUE(parse.request && parse.problem.empty());
    UnattendedServices services;
    services.notify = [this](const std::string&, const std::string& text, std::string&) {
      notified.push_back(text);
      return false;
    };
    return RunUnattended(*parse.request, arguments, services, out, err);
  }

  void MarkStarted(const std::string& name) {
    WriteProfileString("internet", "update" + name, "01/03/2026");
    RecordInstallerStarted(name, "", "", "01/03/2026");
  }

  // An installer that records its start and ends with `status`.
  void PublishEnding(const std::string& name, int status) {
    server.AddFile(name, InstallerScript(name) + "exit " + std::to_string(status) + "\n");
  }

  std::ostringstream out, err;
  std::vector<std::string> notified;
};

}  // namespace

TEST_F(Unattended, CheckSaysWhatIsPendingByItsExitStatusAndInJson) {
  Publish({{"Accounts update", "accounts.exe", "2 MB", "accounts.txt", "<Version>27.1</Version>"},
           {"Payroll \"tables\"", "payroll.exe", "1", "payroll.txt", "<Date>02/03/2026</Date>"}});
  struct Case {
    const char* what;
    std::function<void()> arrange;
    int status;
    std::string json;
  };
  const std::vector<Case> cases = {
      {"both pending", [] {}, kExitSomePending,
       "{\"version\": 1, \"status\": \"pending\", \"pending\": [\n"
       "  {\"name\": \"accounts\", \"description\": \"Accounts update\", \"version\": \"27.1\", "
       "\"size\": \"2 MB\", \"date\": \"\"},\n"
       "  {\"name\": \"payroll\", \"description\": \"Payroll \\\"tables\\\"\", \"version\": \"\", "
       "\"size\": \"1\", \"date\": \"02/03/2026\"}\n]}\n"},
      {"payroll published since", [this] { MarkStarted("accounts"); }, kExitSomePending,
       "{\"version\": 1, \"status\": \"pending\", \"pending\": [\n"
       "  {\"name\": \"payroll\", \"description\": \"Payroll \\\"tables\\\"\", \"version\": \"\", "
       "\"size\": \"1\", \"date\": \"02/03/2026\"}\n]}\n"},
      {"none pending",
       [this] {
         MarkStarted("payroll");
         RecordInstallerStarted("payroll", "", "02/03/2026", "01/03/2026");
       },
       kExitNothingPending, "{\"version\": 1, \"status\": \"none\", \"pending\": []}\n"},
      {"refused", [] { WriteProfileString("internet", "publickey", std::string(43, 'A') + "="); },
       kExitCheckFailed,
       "{\"version\": 1, \"status\": \"failed\", \"reason\": \"The update catalogue was refused: "
       "it has no signature.\", \"pending\": []}\n"},
      {"unreachable",
       [] {
         const std::string url = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/";
         SetEnvironment("OSTREL_CATALOGUE_URL", url.c_str());
       },
       kExitCheckFailed, ""},
  };
  for (const Case& c : cases) {
    c.arrange();
    EXPECT_EQ(Run({"--check", "--json"}), c.status) << c.what;
    if (!c.json.empty()) {
      EXPECT_EQ(out.str(), c.json) << c.what;
    }
    EXPECT_EQ(err.str().empty(), c.status != kExitCheckFailed) << c.what << ": " << err.str();
  }
  EXPECT_NE(out.str().find("\"status\": \"failed\", \"reason\": \"Download from http://127.0.0.1:"),
            std::string::npos);
}

TEST_F(Unattended, NotifyTellsOfPendingUpdatesUnlessTheScheduleIsTurnedOff) {
  Publish({{"Accounts", "accounts.exe"}, {"Payroll", "payroll.exe", "1", "payroll.txt"}});
  EXPECT_EQ(Run({"--check", "--notify"}), kExitSomePending);
  EXPECT_EQ(out.str(), "item\tAccounts\t\t1\t\npayroll\tPayroll\t\t1\t\n2 updates are pending\n");
  EXPECT_EQ(notified,
            std::vector<std::string>{"2 updates for Ostrel Accounts are ready to install"});
  WriteProfileString("update", "schedule", "0");
  EXPECT_EQ(Run({"--check", "--notify"}), kExitNothingPending);
  EXPECT_EQ(notified.size(), 1u);
  EXPECT_NE(prefix.LogText().find("turned off ([update] schedule=0)"), std::string::npos);
}

TEST_F(Unattended, InstallPendingInstallsWhatIsNewAndSaysHowItWent) {
  SKIP_ON_WINDOWS("Installers that are shell scripts, counted as they run");
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, int>> installers;  // name, exit status
    std::vector<std::string> arguments;
    int status;
    std::vector<std::string> started;
  };
  const std::vector<Case> cases = {
      {"all succeed, one asks for a restart",
       {{"a.exe", 0}, {"b.exe", 3010}},
       {"--install-pending"},
       kExitInstalledRestartNeeded,
       {"a.exe", "b.exe"}},
      {"only the new one runs, and fails",
       {{"a.exe", 0}, {"b.exe", 3010}, {"c.exe", 1}},
       {"--install-pending"},
       kExitInstallFailed,
       {"c.exe"}},
      {"the failed one is still pending",
       {{"a.exe", 0}, {"b.exe", 3010}, {"c.exe", 0}},
       {"--install-pending"},
       kExitInstalled,
       {"c.exe"}},
      {"--all installs every one",
       {{"a.exe", 0}, {"b.exe", 1641}},
       {"--install-pending", "--all"},
       kExitInstalledRestartNeeded,
       {"a.exe", "b.exe"}},
  };
  std::size_t records = 0;
  for (const Case& c : cases) {
    std::vector<CatalogueItem> items;
    for (const auto& [name, status] : c.installers) {
      PublishEnding(name, status);
      items.push_back({std::string("Item ") + name, name, "1", std::string(name, 1) + ".txt"});
    }
    Publish(items);
    EXPECT_EQ(Run(c.arguments), c.status) << c.what;
    const auto lines = WaitForRecords(records + c.started.size());
    ASSERT_EQ(lines.size(), records + c.started.size()) << c.what;
    for (std::size_t i = 0; i < c.started.size(); ++i)
      EXPECT_EQ(lines[records + i].substr(0, 5), c.started[i]) << c.what;
    records = lines.size();
    if (c.status == kExitInstallFailed) {
      EXPECT_NE(err.str().find("Item c.exe: failed (exit status 1)\n"), std::string::npos);
    }
  }
  EXPECT_EQ(err.str(), "");
  EXPECT_NE(out.str().find("Item b.exe: installed (exit status 1641)\n"), std::string::npos);
  EXPECT_NE(out.str().find(kRestartMessage), std::string::npos);
}

TEST_F(Unattended, InstallPendingIsRefusedWhereTheMachinePolicyTurnsInstallingOff) {
  prefix.SetMachinePolicy({{"Update", "AllowInstall", "0"}});
  PublishEnding("a.exe", 0);
  Publish({{"Item a.exe", "a.exe", "1", "a.txt"}});
  EXPECT_EQ(Run({"--install-pending"}), kExitInstallFailed);
  EXPECT_NE(err.str().find(InstallingTurnedOff()), std::string::npos);
  EXPECT_EQ(Run({"--check"}), kExitSomePending);
  EXPECT_EQ(GetProfileString("internet", "updatea.exe", "none"), "none");
}

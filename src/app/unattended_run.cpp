#include "app/unattended_run.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "app/startup.h"
#include "brand/brand_text.h"
#include "catalogue/item_fields.h"
#include "catalogue/pending_updates.h"
#include "catalogue/update_doc.h"
#include "platform/codepage.h"
#include "support/desktop.h"
#include "support/log.h"
#include "support/machine_policy.h"
#include "support/settings.h"
#include "xml/xml_var.h"

namespace {

// The desktop of a run without windows. Message boxes are kept for the end
// of a check (its reason) and go to stderr at once; the message line goes to
// stdout when the run installs; posted commands wait in a queue for Run's
// loop. PostCommand may come from the download worker and an installer's
// waiting thread, MessageBox from the worker too, the rest from the main
// thread.
class UnattendedDesktop final : public ConsoleDesktop {
 public:
  UnattendedDesktop(std::ostream& out, std::ostream& err, bool showsProgress)
      : m_out(out), m_err(err), m_showsProgress(showsProgress) {}

  // The download worker may tell of a failure while the main thread does.
  void MessageBox(const std::string& text) override {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back(text);
    m_err << "ostrel-update: " << platform::Cp1252ToUtf8(text) << std::endl;
  }
  void SetMessageText(const std::string& text) override {
    if (m_showsProgress && !text.empty())
      m_out << platform::Cp1252ToUtf8(text) << std::endl;
  }
  void PostCommand(int commandId) override {
    {
      const std::lock_guard<std::mutex> lock(m_mutex);
      m_commands.push_back(commandId);
    }
    m_posted.notify_one();
  }

  // Hands the posted commands to `doc` until its work has ended.
  void Run(CUpdateDoc& doc) {
    for (;;) {
      std::unique_lock<std::mutex> lock(m_mutex);
      if (m_commands.empty() && doc.Idle())
        return;
      // An installer's end or a transfer's "Complete" is always to come while
      // work is in progress: both are posted whatever happens.
      m_posted.wait(lock, [this] { return !m_commands.empty(); });
      const int command = m_commands.front();
      m_commands.pop_front();
      lock.unlock();
      doc.OnCommand(command);
    }
  }

  // Once no transfer runs.
  const std::vector<std::string>& Messages() const { return m_messages; }

 private:
  std::ostream& m_out;
  std::ostream& m_err;
  bool m_showsProgress;
  std::vector<std::string> m_messages;
  std::mutex m_mutex;
  std::condition_variable m_posted;
  std::deque<int> m_commands;
};

// Puts the process's desktop back however the run ends.
class DesktopInstalled {
 public:
  explicit DesktopInstalled(Desktop& desktop) { SetDesktop(&desktop); }
  ~DesktopInstalled() { SetDesktop(nullptr); }
  DesktopInstalled(const DesktopInstalled&) = delete;
  DesktopInstalled& operator=(const DesktopInstalled&) = delete;
};

std::string JsonText(const std::string& cp1252) {
  const std::string utf8 = platform::Cp1252ToUtf8(cp1252);
  std::string json = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      json += "\\u00";
      json += kHex[byte >> 4];
      json += kHex[byte & 15];
    } else {
      json += c;
    }
  }
  return json + "\"";
}

struct ItemFacts {
  std::string name, description, version, size, date;
};

ItemFacts FactsOf(CXMLVar* item) {
  return {InfoName(item->ChildValue("Info")), item->ChildValue("Description"),
          item->ChildValue("Version"), item->ChildValue("Size"), item->ChildValue("Date")};
}

std::string Joined(const std::vector<std::string>& messages) {
  std::string text;
  for (const std::string& message : messages)
    text += (text.empty() ? "" : " ") + message;
  return text.empty() ? std::string("the catalogue could not be loaded") : text;
}

void PrintCheck(const std::vector<CXMLVar*>& pending, std::ostream& out) {
  for (CXMLVar* item : pending) {
    const ItemFacts facts = FactsOf(item);
    out << platform::Cp1252ToUtf8(facts.name + '\t' + facts.description + '\t' + facts.version +
                                  '\t' + facts.size + '\t' + facts.date)
        << '\n';
  }
  if (pending.empty())
    out << "no update is pending\n";
  else
    out << pending.size() << (pending.size() == 1 ? " update is" : " updates are") << " pending\n";
}

void PrintCheckJson(const std::vector<CXMLVar*>* pending, const std::string& failure,
                    std::ostream& out) {
  out << "{\"version\": " << kCheckJsonVersion << ", \"status\": ";
  if (pending == nullptr) {
    out << "\"failed\", \"reason\": " << JsonText(failure) << ", \"pending\": []}\n";
    return;
  }
  out << (pending->empty() ? "\"none\"" : "\"pending\"") << ", \"pending\": [";
  const char* separator = "";
  for (CXMLVar* item : *pending) {
    const ItemFacts facts = FactsOf(item);
    out << separator << "\n  {\"name\": " << JsonText(facts.name)
        << ", \"description\": " << JsonText(facts.description)
        << ", \"version\": " << JsonText(facts.version) << ", \"size\": " << JsonText(facts.size)
        << ", \"date\": " << JsonText(facts.date) << "}";
    separator = ",";
  }
  out << (pending->empty() ? "]}\n" : "\n]}\n");
}

void Notify(const std::vector<CXMLVar*>& pending, const UnattendedServices& services) {
  if (pending.empty()) {
    Log("no notification: no update is pending");
    return;
  }
  if (!services.notify)
    return;
  std::string title = "Ostrel updates";
  BrandText(title);
  const std::string text = PendingNotificationText(pending.size());
  std::string problem;
  Log("notifying: %s", text.c_str());
  const bool open =
      services.notify(platform::Cp1252ToUtf8(title), platform::Cp1252ToUtf8(text), problem);
  if (!problem.empty())
    Log("the notification could not be shown: %s", platform::Utf8ToCp1252(problem).c_str());
  if (open && services.openUpdater) {
    Log("opening the updater from the notification");
    services.openUpdater();
  }
}

int InstallPending(const UnattendedRequest& request, CUpdateDoc& doc, UnattendedDesktop& desktop,
                   std::ostream& out, std::ostream& err) {
  // Refused before anything is queued: an empty run must not pass for one
  // that installed everything.
  if (!MachinePolicy::Here().InstallingAllowed()) {
    Log("%s", InstallingTurnedOff());
    err << "ostrel-update: " << platform::Cp1252ToUtf8(InstallingTurnedOff()) << std::endl;
    return kExitInstallFailed;
  }
  const std::vector<CXMLVar*> pending = PendingItems(doc.Downloads());
  if (request.all) {
    doc.InstallAll();
  } else {
    doc.InstallAll([&pending](CXMLVar* item) {
      return std::find(pending.begin(), pending.end(), item) != pending.end();
    });
  }
  desktop.Run(doc);

  bool failed = false;
  bool restart = false;
  for (const InstallOutcome& outcome : doc.Outcomes()) {
    std::string line = outcome.description + ": ";
    if (!outcome.exitStatus)
      line += "not installed, " + outcome.reason;
    else if (outcome.Succeeded())
      line += "installed (exit status " + std::to_string(*outcome.exitStatus) + ")";
    else
      line += "failed (exit status " + std::to_string(*outcome.exitStatus) + ")";
    failed = failed || !outcome.Succeeded();
    restart = restart || outcome.AsksRestart();
    Log("%s", line.c_str());
    (outcome.Succeeded() ? out : err) << platform::Cp1252ToUtf8(line) << std::endl;
  }
  if (doc.Outcomes().empty())
    out << "nothing to install" << std::endl;
  if (failed) {
    err << "ostrel-update: not every update was installed" << std::endl;
    return kExitInstallFailed;
  }
  if (restart) {
    out << platform::Cp1252ToUtf8(kRestartMessage) << std::endl;
    return kExitInstalledRestartNeeded;
  }
  return kExitInstalled;
}

}  // namespace

UnattendedParse ReadUnattendedRequest(const std::vector<std::string>& arguments) {
  bool check = false, install = false, json = false, notify = false, all = false;
  for (const std::string& argument : arguments) {
    check = check || argument == "--check";
    install = install || argument == "--install-pending";
    json = json || argument == "--json";
    notify = notify || argument == "--notify";
    all = all || argument == "--all";
  }
  UnattendedParse parse;
  if (!check && !install) {
    if (json || notify || all)
      parse.problem = "--json and --notify go with --check, --all with --install-pending";
    return parse;
  }
  parse.request = UnattendedRequest{
      check ? UnattendedRequest::Mode::kCheck : UnattendedRequest::Mode::kInstallPending, json,
      notify, all};
  if (check && install)
    parse.problem = "--check and --install-pending cannot be given together";
  else if (check && all)
    parse.problem = "--all goes with --install-pending";
  else if (install && (json || notify))
    parse.problem = "--json and --notify go with --check";
  return parse;
}

std::string PendingNotificationText(std::size_t count) {
  std::string text =
      std::to_string(count) +
      (count == 1 ? " update for Ostrel Accounts is" : " updates for Ostrel Accounts are") +
      " ready to install";
  BrandText(text);
  return text;
}

int RunUnattended(const UnattendedRequest& request, const std::vector<std::string>& arguments,
                  const UnattendedServices& services, std::ostream& out, std::ostream& err) {
  const bool installs = request.mode == UnattendedRequest::Mode::kInstallPending;
  UnattendedDesktop desktop(out, err, installs);
  const DesktopInstalled installed(desktop);
  StartupServices startup = DefaultStartupServices();
  startup.checkDlls = nullptr;
  startup.hasDisplay = false;
  PrepareStartup(arguments, startup);

  if (request.notify && GetProfileInt("update", "schedule", 1) == 0) {
    Log("the check on a schedule is turned off ([update] schedule=0)");
    return kExitNothingPending;
  }

  CUpdateDoc doc;
  doc.SetTellsRestart(false);
  doc.LoadCatalogue();
  if (!doc.CatalogueAccepted()) {
    const std::string reason = Joined(desktop.Messages());
    Log("the check found nothing: %s", reason.c_str());
    if (desktop.Messages().empty())
      err << "ostrel-update: " << platform::Cp1252ToUtf8(reason) << std::endl;
    if (request.json)
      PrintCheckJson(nullptr, reason, out);
    return installs ? kExitInstallFailed : kExitCheckFailed;
  }
  if (installs)
    return InstallPending(request, doc, desktop, out, err);

  const std::vector<CXMLVar*> pending = PendingItems(doc.Downloads());
  if (request.json)
    PrintCheckJson(&pending, {}, out);
  else
    PrintCheck(pending, out);
  out.flush();
  Log("the check found %d pending update(s)", static_cast<int>(pending.size()));
  if (request.notify)
    Notify(pending, services);
  return pending.empty() ? kExitNothingPending : kExitSomePending;
}

// The items of the work under way and their installers: the catalogue items
// still to fetch, in the order Install All gives them; the installer running
// and the one downloaded while it ran, which waits for it; and what became of
// each item.
//
// Installers of the suite touch the same files, so no two run at once: a
// download may finish while an installer runs, and its installer then waits
// for the end of the one before. The end of a running installer is reported
// from its waiting thread as the command "installer ended", which the
// document hands to OnEnded on the UI thread. Once the queue has been taken
// from the first time, every installer after that runs silently.
//
// The queue points into catalogue copies that the document owns and keeps
// alive for as long as the queue lives. UI thread only.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/item_fields.h"
#include "platform/program_start.h"

class CXMLVar;

// What became of one item of the work under way (an Install, Install All).
struct InstallOutcome {
  // The item's Description.
  std::string description;
  // The installer's exit status; nullopt when it never started.
  std::optional<int> exitStatus;
  // Why it never started (the download or the file check failed, ...).
  std::string reason;

  // Ended with 0, or with 3010 or 1641 (done, once the machine restarts).
  bool Succeeded() const;
  bool AsksRestart() const;
};

// One item's installer, as it is about to start.
struct InstallerStart {
  std::string command;
  // The item's settings record ([internet] "update" + this), written once
  // its installer has started.
  std::string infoName;
  // What the updater's own records keep of the item (pending_updates.h).
  std::string sha256;
  std::string date;
  // For the outcome of the run.
  std::string description;
};

class InstallerQueue {
 public:
  InstallerQueue();
  ~InstallerQueue();
  InstallerQueue(const InstallerQueue&) = delete;
  InstallerQueue& operator=(const InstallerQueue&) = delete;

  // --- The items still to fetch ----------------------------------------------
  void Add(CXMLVar* item, QueuePlace place);
  // The next item, taken off the queue; nullptr when none is left. Either
  // way, every installer from now on runs silently.
  CXMLVar* TakeNext();
  bool Silent() const { return m_silent; }
  std::size_t Length() const { return m_items.size(); }
  bool Empty() const { return m_items.empty(); }

  // --- The installers --------------------------------------------------------
  // The item whose transfer starts now; its "Complete" is still to come.
  void Prepare(InstallerStart item);
  void CompleteArrived() { m_completeToCome = false; }
  bool CompleteToCome() const { return m_completeToCome; }
  // The prepared item's installer as `command`: returned to be started now,
  // or nullopt when it has been put to wait for the one running.
  std::optional<InstallerStart> NowOrAfterRunning(const std::string& command);
  // Starts the installer and records that the item was updated today; false
  // when it could not start (logged, told to the user, its outcome kept).
  bool Start(const InstallerStart& start, platform::HandleInheritance inheritance);
  // Handles "installer ended": false when no installer has ended (a late
  // post from one replaced since). Otherwise its outcome is kept, a failure
  // leaves its item pending, and `next` is the installer that waited for it.
  bool OnEnded(std::optional<InstallerStart>& next);
  bool Running() const { return m_running != nullptr; }
  bool Waiting() const { return m_waiting.has_value(); }
  // An installer runs, or waits for the one running to end.
  bool UnderWay() const { return Running() || Waiting(); }
  const std::string& RunningCommand() const { return m_runningStart.command; }

  // --- What became of each item ----------------------------------------------
  // Work starts: the outcomes of ended work are dropped, those of work under
  // way kept.
  void BeginWork();
  // The prepared item never reached its installer, for `reason`.
  void AddOutcome(std::string reason);
  // The work has ended; true when an installer asked for a restart.
  bool EndWork();
  const std::vector<InstallOutcome>& Outcomes() const { return m_outcomes; }

 private:
  std::deque<CXMLVar*> m_items;
  bool m_silent = false;

  std::unique_ptr<platform::WatchedProgram> m_running;
  InstallerStart m_runningStart;
  std::optional<InstallerStart> m_waiting;
  // The item whose transfer started last (command unused).
  InstallerStart m_prepared;
  bool m_completeToCome = false;

  std::vector<InstallOutcome> m_outcomes;
  // The outcomes belong to ended work: the next start begins afresh.
  bool m_outcomesClosed = true;
};

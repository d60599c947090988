// The one document: the catalogue copy, and the download-and-install workflow
// whose progress the update view polls once a second, through Progress().
//
// Everything here runs on the UI thread, except that the download worker adds
// to m_nBytesReceived while a transfer runs. The document owns every catalogue
// copy it has loaded (the list and the queue may still point into earlier
// ones) and the worker, which it joins before the next transfer starts and
// when it is destroyed, so nothing is freed under a running transfer.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CXMLVar;

// Where the workflow's installers come from and whether they start.
enum class WorkflowMode {
  // Each item is fetched into m_strFolder and its installer started.
  Normal,
  // Network Download: items are fetched into the network folder, not started.
  Download,
  // Network Run: installers already in the network folder are started.
  Run,
};

// What the view shows of the work under way, copied in one go on the UI
// thread, so that the view can neither change the workflow nor depend on how
// the document keeps it.
struct ProgressSnapshot {
  std::int32_t bytesReceived = 0;
  // 0 when the size is unknown.
  std::int32_t sizeKB = 0;
  // The progress dialog's title.
  std::string status;
  bool inProgress = false;
  std::size_t queueLength = 0;
  // An installer runs, or waits for the one running to end.
  bool installerUnderWay = false;
};

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

// Shown once at the end of work in which an installer asked for a restart.
inline constexpr const char* kRestartMessage =
    "The update will be finished once this computer has been restarted.";

class CUpdateDoc {
 public:
  CUpdateDoc();
  virtual ~CUpdateDoc();
  CUpdateDoc(const CUpdateDoc&) = delete;
  CUpdateDoc& operator=(const CUpdateDoc&) = delete;

  // --- The catalogue ---------------------------------------------------------
  // Fetches download.xml from the brand's server into c:\temp\temp.xml, reads
  // it, keeps a filtered and branded copy of its "Downloads" element, and tells
  // the views (hint 0) when it has items.
  virtual void LoadCatalogue();
  // "Ostrel" rewritten for the skin; set by LoadCatalogue, and to the file's
  // name when the document is saved under one. The frame shows
  // "<title> - update".
  const std::string& GetTitle() const { return m_strTitle; }
  void SetTitle(std::string title) { m_strTitle = std::move(title); }

  // --- The workflow ------------------------------------------------------------
  // Install, Install All and the network commands refuse at once, with one
  // message, when the machine policy turns installing off
  // (RefuseWhenInstallingIsOff); a queue under way is not cut short.
  void StartDownload(CXMLVar* item);
  void OnComplete();
  void RunNextQueued();
  // Every item of the catalogue, or those that `wanted` accepts, queued by
  // the same rules (order, exclusions) and installed one after another.
  void InstallAll(const std::function<bool(CXMLVar*)>& wanted = {});
  void NetworkDownload();
  void NetworkRun();
  void NetworkSetup();
  std::string GetNetworkFolder();
  // Fetches the item's information text on the worker, under the progress
  // dialog, and opens it once it has arrived ("Complete").
  void ShowInfo(CXMLVar* item);

  // The running installer has ended (its waiting thread posted "installer
  // ended"): logs its exit status and starts the installer waiting for it.
  void OnInstallerEnded();
  // An installer runs, or waits for the one running to end.
  bool InstallerUnderWay() const;

  // The library-check mode: the main window closes once the first installer
  // has been started (or refused). Set by the application at start-up.
  void SetClosesAfterFirstInstaller(bool closes) { m_bClosesAfterFirstInstaller = closes; }

  // What became of each item of the work under way, or of the last work to
  // end, until the next starts.
  const std::vector<InstallOutcome>& Outcomes() const { return m_Outcomes; }
  // Whether the end of work in which an installer asked for a restart says
  // so in a message box (the window); an unattended run says it itself.
  void SetTellsRestart(bool tells) { m_bTellsRestart = tells; }
  // The last LoadCatalogue fetched a catalogue and accepted it (its items
  // may still be none).
  bool CatalogueAccepted() const { return m_bCatalogueAccepted; }

  // While a transfer or a queue is under way, tells the user to try later and
  // returns true: the caller asked for a second one and must stop.
  bool RefuseWhileInProgress() const;
  // When the machine policy turns installing off, tells the user so and
  // returns true: the caller must not go on. Every command that fetches or
  // starts an installer asks this first.
  bool RefuseWhenInstallingIsOff() const;

  // A command routed from the frame: Complete, installer ended and the
  // catalogue reload.
  // True when the document handled it.
  bool OnCommand(int commandId);

  // Waits for a running transfer to end (tests).
  void WaitForTransfer();
  // Tells a running transfer to stop and waits for it (the main window is
  // closing): closing never waits for a slow server.
  void AbandonTransfer();

  // --- What the view reads (UI thread) ---------------------------------------
  // The catalogue copy in use, or none before the first load.
  CXMLVar* Downloads() const { return m_pDownloads; }
  ProgressSnapshot Progress() const;

  // --- The workflow's state: the document's own; tests set and check it -----
  CXMLVar* m_pDownloads = nullptr;
  WorkflowMode m_Mode = WorkflowMode::Normal;
  std::string m_strFolder;
  std::string m_strStatus;
  bool m_bSilent = false;
  std::deque<CXMLVar*> m_InstallQueue;
  std::int32_t m_nSizeKB = 0;
  std::string m_strCommand;
  bool m_bInProgress = false;
  // Written by the worker while a transfer runs, read by the view's timer.
  std::atomic<std::int32_t> m_nBytesReceived{0};

 private:
  struct Transfer;
  struct Installers;
  struct InstallerStart;

  // StartDownload without the policy's question: the queue's next item.
  void TransferItem(CXMLVar* item);
  // Network Download and Run: the folder, announced, then Install All.
  void InstallThroughNetworkFolder(WorkflowMode mode, const std::string& announcement);
  // The digest check of the installer just transferred (or, in Run mode,
  // found in the network folder, which is not `ours` to remove).
  bool InstallerPassesCheck(bool ours) const;
  // The one place where an item's installer is about to start: now, or once
  // the installer running has ended.
  void StartOrQueueInstaller(const std::string& command);
  void StartInstaller(const InstallerStart& start);
  void ShowWaiting();
  // "Complete" of ShowInfo's transfer: the text is checked and opened.
  void OnInformationArrived();
  // After an installer has started or ended: the progress ends, or the next
  // queued item is taken, unless an installer still waits for its turn.
  void GoOnAfterInstaller();
  // The work has ended: its outcomes are complete.
  void EndOfWork();
  void AddOutcome(std::optional<int> exitStatus, std::string reason);

  std::string m_strTitle;
  // The catalogue in use was signed: its installers start only with a digest.
  bool m_bDigestsRequired = false;
  bool m_bClosesAfterFirstInstaller = false;
  bool m_bCatalogueAccepted = false;
  bool m_bTellsRestart = true;
  std::vector<InstallOutcome> m_Outcomes;
  // The outcomes belong to ended work: the next start begins afresh.
  bool m_bOutcomesClosed = true;
  std::vector<std::unique_ptr<CXMLVar>> m_Catalogues;
  std::unique_ptr<Transfer> m_pTransfer;
  std::unique_ptr<Installers> m_pInstallers;
};

// [paths] installers, defaulting to [paths] clientdir with "clients" made
// "installers".
std::string NetworkInstallersFolder();

// The one document: the catalogue copy, and the download-and-install workflow
// whose progress the update view polls once a second, through Progress().
//
// Everything here runs on the UI thread, except that the download worker adds
// to the transfer's byte counter while a transfer runs. The document owns
// every catalogue copy it has loaded (the list and the queue may still point
// into earlier ones), its transfer session (transfer_session.h), which it
// abandons when it is destroyed, so nothing is freed under a running
// transfer, and its installer queue (installer_queue.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/installer_queue.h"
#include "catalogue/transfer_session.h"

class CXMLVar;

// Where the workflow's installers come from and whether they start.
enum class WorkflowMode {
  // Each item is fetched into the download folder and its installer started.
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
  bool InstallerUnderWay() const { return m_installers.UnderWay(); }
  // No transfer is under way and no item waits in the queue (an installer
  // may still run): the workflow rests until the next command.
  bool Idle() const { return !m_bInProgress && m_installers.Empty(); }

  // The library-check mode: the main window closes once the first installer
  // has been started (or refused). Set by the application at start-up.
  void SetClosesAfterFirstInstaller(bool closes) { m_bClosesAfterFirstInstaller = closes; }

  // What became of each item of the work under way, or of the last work to
  // end, until the next starts.
  const std::vector<InstallOutcome>& Outcomes() const { return m_installers.Outcomes(); }
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
  // The catalogue copy in use, or none before the first load. Virtual, like
  // Progress: a view can be shown a document staged for it.
  virtual CXMLVar* Downloads() const { return m_pDownloads; }
  virtual ProgressSnapshot Progress() const;

 private:
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
  // Starts it with the mode's handles; in the network Run mode the progress
  // dialog shows it.
  void StartInstaller(const InstallerStart& start);
  void ShowWaiting();
  // "Complete" of ShowInfo's transfer: the text is checked and opened.
  void OnInformationArrived();
  // After an installer has started or ended: the progress ends, or the next
  // queued item is taken, unless an installer still waits for its turn.
  void GoOnAfterInstaller();
  // The work has ended: its outcomes are complete.
  void EndOfWork();

  std::string m_strTitle;
  // The catalogue in use was signed: its installers start only with a digest.
  bool m_bDigestsRequired = false;
  bool m_bClosesAfterFirstInstaller = false;
  bool m_bCatalogueAccepted = false;
  bool m_bTellsRestart = true;
  WorkflowMode m_Mode = WorkflowMode::Normal;
  // A transfer or a queue is under way.
  bool m_bInProgress = false;
  // Before the session and the queue, which point into them.
  std::vector<std::unique_ptr<CXMLVar>> m_Catalogues;
  CXMLVar* m_pDownloads = nullptr;
  InstallerQueue m_installers;
  TransferSession m_transfer;
};

// [paths] installers, defaulting to [paths] clientdir with "clients" made
// "installers".
std::string NetworkInstallersFolder();

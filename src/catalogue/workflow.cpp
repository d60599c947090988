// Downloading and starting installers: one item, or every item in a queue.
#include "catalogue/document_transfer.h"
#include "catalogue/installer_check.h"
#include "catalogue/installer_runs.h"
#include "catalogue/item_fields.h"
#include "catalogue/server_urls.h"
#include "catalogue/transfer_file.h"
#include "catalogue/update_doc.h"
#include "platform/folders.h"
#include "platform/host_path.h"
#include "support/commands.h"
#include "support/desktop.h"
#include "support/log.h"
#include "support/machine_policy.h"
#include "support/settings.h"
#include "xml/xml_var.h"

namespace {

constexpr const char* kDefaultFolder = "c:\\temp";
constexpr const char* kInfoFile = "c:\\temp\\info.txt";
constexpr const char* kSilentSwitch = " /S";
// Shown when a second transfer is asked for while one is under way.
constexpr const char* kDownloadInProgressMessage = "download in progress, try later";

}  // namespace

bool CUpdateDoc::RefuseWhileInProgress() const {
  if (m_bInProgress)
    TheDesktop().MessageBox(kDownloadInProgressMessage);
  return m_bInProgress;
}

bool CUpdateDoc::RefuseWhenInstallingIsOff() const {
  if (MachinePolicy::Here().InstallingAllowed())
    return false;
  Log("%s", InstallingTurnedOff());
  TheDesktop().MessageBox(InstallingTurnedOff());
  // The suite program that started the library check waits for the updater
  // to end, as it does after a refused installer.
  if (m_bClosesAfterFirstInstaller)
    TheDesktop().PostCommand(cmd::kCloseMainWindow);
  return true;
}

ProgressSnapshot CUpdateDoc::Progress() const {
  ProgressSnapshot now;
  now.bytesReceived = m_nBytesReceived.load();
  now.sizeKB = m_nSizeKB;
  now.status = m_strStatus;
  now.inProgress = m_bInProgress;
  now.queueLength = m_InstallQueue.size();
  now.installerUnderWay = InstallerUnderWay();
  return now;
}

void CUpdateDoc::StartDownload(CXMLVar* item) {
  if (RefuseWhenInstallingIsOff())
    return;
  TransferItem(item);
}

void CUpdateDoc::TransferItem(CXMLVar* item) {
  if (RefuseWhileInProgress())
    return;
  m_bInProgress = true;
  if (m_bOutcomesClosed) {
    m_Outcomes.clear();
    m_bOutcomesClosed = false;
  }
  if (m_strFolder.empty())
    m_strFolder = kDefaultFolder;

  // Installers started later inherit this folder as their working folder.
  const auto folder = platform::HostPath(m_strFolder);
  platform::MakeFolder(folder);
  if (!platform::EnterFolder(folder))
    Log("could not enter %s", m_strFolder.c_str());

  std::string reference = item->ChildValue("href");
  // Recorded once the installer has started: a failure must not pass for an update.
  m_pInstallers->prepared = {"", InfoName(item->ChildValue("Info")), item->ChildValue("Sha256"),
                             item->ChildValue("Date"), item->ChildValue("Description")};
  m_pInstallers->completeToCome = true;
  if (GetProfileInt("advanced", "sim", 0) != 0)
    reference = SimulationReference(reference);

  const auto fileName = InstallerFileName(reference);
  const std::string target = FileInFolder(m_strFolder, fileName.value_or(""));
  const std::string status = "downloading " + reference + " to " + target;
  TheDesktop().SetMessageText(status);
  Log("%s", status.c_str());

  m_nSizeKB = SizeInKilobytes(item->ChildValue("Size"));
  m_pTransfer->worker.Join();
  m_pTransfer->state.url = reference;
  m_pTransfer->state.targetPath = target;
  m_pTransfer->state.byteCounter = &m_nBytesReceived;
  m_pTransfer->state.transferred = false;
  m_pTransfer->state.maxBytes = InstallerByteLimit(item->ChildValue("Size"));
  m_pTransfer->state.deadlineSeconds = 0;
  // The network installers folder is shared with other machines, which may be
  // fetching the same installer now: nothing is kept there for a later run.
  m_pTransfer->state.resumption =
      m_Mode == WorkflowMode::Download ? Resumption::kWithinRun : Resumption::kAcrossRuns;
  m_pTransfer->information = false;
  const CXMLVar* digest = item->FindChild("Sha256");
  m_pTransfer->expectedSha256 = digest != nullptr ? digest->m_strValue : "";
  m_pTransfer->name = item->ChildValue("Description");
  m_pTransfer->nothingToStart = !fileName.has_value();
  m_strCommand = target;
  m_strStatus = item->ChildValue("Description");

  if (m_pTransfer->nothingToStart) {
    // A reference without a usable file name would write over the folder or
    // outside it: nothing is fetched or started, and the queue goes on.
    Log("no installer file name in %s", reference.c_str());
    TheDesktop().PostCommand(cmd::kComplete);
  } else if (m_Mode == WorkflowMode::Run) {
    AddToByteCounter(m_nBytesReceived, 1024);
    m_nSizeKB =
        m_pDownloads != nullptr ? static_cast<std::int32_t>(m_pDownloads->Children().size()) : 0;
    TheDesktop().PostCommand(cmd::kComplete);
  } else {
    m_pTransfer->worker.Start(m_pTransfer->state);
  }
}

void CUpdateDoc::OnComplete() {
  if (m_pTransfer->information) {
    OnInformationArrived();
    return;
  }
  if (m_Mode != WorkflowMode::Run)
    m_pTransfer->worker.Join();
  m_pInstallers->completeToCome = false;
  if (m_bSilent)
    m_strCommand += kSilentSwitch;

  if (m_pTransfer->nothingToStart) {
    // Nothing was fetched, so there is nothing to start.
    AddOutcome(std::nullopt, "it names no installer file");
  } else if (m_Mode == WorkflowMode::Download) {
    // The installers folder is being filled; nothing is started here, but a
    // file that fails its check must not wait there for a later run.
    if (m_pTransfer->state.transferred)
      InstallerPassesCheck(/*ours=*/true);
  } else if (m_Mode != WorkflowMode::Run && !m_pTransfer->state.transferred) {
    // Whatever the failed transfer left behind is not a program to run.
    Log("not starting %s: the download failed", m_strCommand.c_str());
    AddOutcome(std::nullopt, "the download failed");
  } else if (!InstallerPassesCheck(/*ours=*/m_Mode != WorkflowMode::Run)) {
    // Told to the user. A file we fetched is gone; the office's copy in the
    // network folder stays for its owner to look at.
    AddOutcome(std::nullopt, "the installer failed its check");
  } else {
    StartOrQueueInstaller(m_strCommand);
  }

  if (m_bClosesAfterFirstInstaller)
    TheDesktop().PostCommand(cmd::kCloseMainWindow);
  GoOnAfterInstaller();
}

bool CUpdateDoc::InstallerPassesCheck(bool ours) const {
  return PassesFileCheck({m_pTransfer->state.targetPath, m_pTransfer->expectedSha256,
                          m_bDigestsRequired, m_pTransfer->name, ours});
}

void CUpdateDoc::RunNextQueued() {
  m_bSilent = true;
  if (m_InstallQueue.empty())
    return;
  m_bInProgress = false;
  CXMLVar* next = m_InstallQueue.front();
  TransferItem(next);
  m_InstallQueue.pop_front();
}

void CUpdateDoc::InstallAll(const std::function<bool(CXMLVar*)>& wanted) {
  if (RefuseWhenInstallingIsOff())
    return;
  // One transfer record serves one transfer: a second queue must wait.
  if (RefuseWhileInProgress())
    return;
  if (m_pDownloads != nullptr) {
    for (CXMLVar* item : m_pDownloads->Children()) {
      if (wanted && !wanted(item))
        continue;
      switch (PlaceInQueue(item->ChildValue("href"))) {
        case QueuePlace::Skip:
          break;
        case QueuePlace::Head:
          m_InstallQueue.push_front(item);
          break;
        case QueuePlace::Tail:
          m_InstallQueue.push_back(item);
          break;
      }
    }
  }
  TheDesktop().OpenProgress();
  RunNextQueued();
}

void CUpdateDoc::ShowInfo(CXMLVar* item) {
  // Fetched as an installer is, on the worker under the progress dialog, so
  // that a slow server holds neither the window nor its closing; and within
  // the catalogue's deadline, since the user sits waiting for it.
  if (RefuseWhileInProgress())
    return;
  const std::string url = ServerBaseUrl() + item->ChildValue("Info");
  TheDesktop().SetMessageText("downloading " + url);
  m_bInProgress = true;
  m_strStatus = item->ChildValue("Description");
  // The text's size is unknown: the dialog shows no figures and stays until
  // the text has arrived or failed.
  m_nSizeKB = 0;
  m_nBytesReceived.store(0);
  m_pTransfer->worker.Join();
  DownloadState& state = m_pTransfer->state;
  state.url = url;
  state.targetPath = kInfoFile;
  state.byteCounter = nullptr;
  state.maxBytes = TransferBounds::ForText().maxBytes;
  state.deadlineSeconds = TransferBounds::ForCatalogue().deadlineSeconds;
  state.resumption = Resumption::kNone;
  const CXMLVar* digest = item->FindChild("InfoSha256");
  m_pTransfer->expectedSha256 = digest != nullptr ? digest->m_strValue : "";
  m_pTransfer->name = item->ChildValue("Info");
  m_pTransfer->nothingToStart = false;
  m_pTransfer->information = true;
  TheDesktop().OpenProgress();
  m_pTransfer->worker.Start(state);
}

void CUpdateDoc::OnInformationArrived() {
  m_pTransfer->worker.Join();
  m_pTransfer->information = false;
  m_bInProgress = false;
  // A failed fetch was reported; an older item's text must not be shown instead.
  if (!m_pTransfer->state.transferred.load())
    return;
  if (PassesFileCheck({kInfoFile, m_pTransfer->expectedSha256, false, m_pTransfer->name, true}))
    TheDesktop().OpenWithDefaultApplication(kInfoFile);
}

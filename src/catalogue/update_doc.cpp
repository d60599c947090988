// The document: its catalogue (fetched, read, filtered, branded) and the
// workflow that downloads and starts the installers of its items.
#include "catalogue/update_doc.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "brand/brand_text.h"
#include "brand/skin.h"
#include "catalogue/installer_check.h"
#include "catalogue/item_fields.h"
#include "catalogue/server_urls.h"
#include "catalogue/signed_catalogue.h"
#include "catalogue/transfer_file.h"
#include "platform/folders.h"
#include "platform/host_path.h"
#include "platform/temporary_files.h"
#include "support/commands.h"
#include "support/desktop.h"
#include "support/log.h"
#include "support/machine_policy.h"
#include "support/settings.h"
#include "support/startup_trace.h"
#include "xml/text_input_file.h"
#include "xml/xml_var.h"

namespace {

constexpr const char* kCatalogueFile = "c:\\temp\\temp.xml";
constexpr const char* kDefaultFolder = "c:\\temp";
constexpr const char* kInfoFile = "c:\\temp\\info.txt";
constexpr const char* kSilentSwitch = " /S";
// Shown when a second transfer is asked for while one is under way.
constexpr const char* kDownloadInProgressMessage = "download in progress, try later";
// The network installers folder is shared with other machines and prefixes,
// whose updaters may be writing there now, so only a temporary file nobody
// has written for this long is taken for a killed run's leftover: a live
// transfer that receives nothing for a minute or so is given up.
constexpr std::chrono::hours kAbandonedTemporaryAge{24};

// Skins that do not sell every program: they see no item whose text names
// what they don't sell.
bool SkinHidesItems(const std::string& skin) {
  return skin == "gresmo" || skin == "Corbain";
}

struct BrandFilterWalk {
  std::string skin;
  std::vector<CXMLVar*> dropped;
};

// Items that a brand must not see: the parent of every element whose text
// names what the brand does not sell. The catalogue's own words decide,
// before the brand rewrite.
void BrandFilter(CXMLVar* element, void* context) {
  auto& walk = *static_cast<BrandFilterWalk*>(context);
  if (element->Parent() == nullptr)
    return;
  const bool hidden =
      (walk.skin == "gresmo" && element->m_strValue.find("Payroll") != std::string::npos) ||
      (walk.skin == "Corbain" && element->m_strValue.find("CIS") != std::string::npos);
  if (hidden)
    walk.dropped.push_back(element->Parent());
}

// Every text rewritten for the brand (the skin is the context); "link"
// elements keep their attributes, which point at the maker's own pages.
void BrandCatalogue(CXMLVar* element, void* context) {
  const std::string& skin = *static_cast<const std::string*>(context);
  // Some rewrites are not counted in BrandText's answer: compare instead.
  std::string text = element->m_strValue;
  BrandText(text, skin);
  if (element->m_strValue != text)
    element->m_strValue = text;
  if (element->m_strName == "link")
    return;
  for (auto& [name, value] : element->m_Attributes) {
    std::string rewritten = value;
    if (BrandText(rewritten, skin))
      value = rewritten;
  }
}

// A copy of an element keeps no attributes (see CXMLVar::Clone).
void DropAttributes(CXMLVar* element, void*) {
  element->m_Attributes.clear();
}

// The file's bytes, read in large pieces: a catalogue may hold megabytes.
std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::string bytes;
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (!error)
    bytes.reserve(static_cast<std::size_t>(size));
  std::vector<char> piece(64 * 1024);
  while (file.read(piece.data(), static_cast<std::streamsize>(piece.size())) || file.gcount() > 0)
    bytes.append(piece.data(), static_cast<std::size_t>(file.gcount()));
  return bytes;
}

}  // namespace

CUpdateDoc::CUpdateDoc() = default;

CUpdateDoc::~CUpdateDoc() {
  AbandonTransfer();
}

void CUpdateDoc::WaitForTransfer() {
  m_transfer.Join();
}

void CUpdateDoc::AbandonTransfer() {
  m_transfer.Abandon();
}

void CUpdateDoc::LoadCatalogue() {
  Log("connecting...");
  m_strTitle = "Ostrel";
  BrandText(m_strTitle);

  // A failed fetch has told the user already; an earlier run's file must not
  // then pass for today's catalogue. A refused one is not kept either.
  const TransferBounds bounds = TransferBounds::ForCatalogue();
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(bounds.deadlineSeconds);
  const std::string url = ServerBaseUrl() + "download.xml";
  m_bCatalogueAccepted = false;
  bool fetched = TransferFile(url, kCatalogueFile, nullptr, nullptr, bounds);
  TraceStartup("catalogue fetched");
  // The file is read once: the reader gets the very bytes that were judged,
  // whatever another program does to the file meanwhile.
  std::string bytes;
  if (fetched) {
    // Closed before it is judged: Windows cannot remove a file still open.
    bytes = ReadWholeFile(platform::HostPath(kCatalogueFile));
    const CatalogueAcceptance acceptance = AcceptCatalogue(url, bytes, deadline);
    TraceStartup("catalogue judged");
    m_bDigestsRequired = acceptance.digestsRequired;
    if (!acceptance.accepted) {
      std::error_code ignored;
      std::filesystem::remove(platform::HostPath(kCatalogueFile), ignored);
      fetched = false;
    }
  }
  m_bCatalogueAccepted = fetched;

  auto document = std::make_unique<CXMLVar>("");
  if (fetched) {
    TextInputFile in(TextInputFile::Contents{bytes});
    document->ParseDocument(in);
  }
  std::string().swap(bytes);
  // The "Downloads" element is taken out of the tree that was read rather
  // than copied: the same elements, values and ordinals as a copy, without
  // the time and memory of a second tree. Like a copy it keeps no attributes.
  m_Catalogues.push_back(document->RemoveChild(document->GetChild("Downloads")));
  m_pDownloads = m_Catalogues.back().get();
  document.reset();
  m_pDownloads->Traverse(DropAttributes, nullptr, false);
  TraceStartup("catalogue read");

  if (m_pDownloads->Children().empty())
    return;

  BrandFilterWalk filter{GetSkin(), {}};
  if (SkinHidesItems(filter.skin)) {
    m_pDownloads->Traverse(BrandFilter, &filter, false);
    CXMLVar::DeleteNodes(filter.dropped);
  }
  m_pDownloads->Traverse(BrandCatalogue, &filter.skin, false);
  TraceStartup("catalogue filtered and branded");

  TheDesktop().UpdateAllViews(cmd::kHintCatalogue);
}

bool CUpdateDoc::OnCommand(int commandId) {
  switch (commandId) {
    case cmd::kComplete:
      OnComplete();
      return true;
    case cmd::kInstallerEnded:
      OnInstallerEnded();
      return true;
    case cmd::kReloadCatalogue:
      LoadCatalogue();
      return true;
    default:
      return false;
  }
}

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
  now.bytesReceived = m_transfer.BytesReceived();
  now.sizeKB = m_transfer.SizeKB();
  now.status = m_transfer.Status();
  now.inProgress = m_bInProgress;
  now.queueLength = m_installers.Length();
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
  m_installers.BeginWork();
  if (m_transfer.Folder().empty())
    m_transfer.SetFolder(kDefaultFolder);
  const std::string& folderName = m_transfer.Folder();

  // Installers started later inherit this folder as their working folder.
  const auto folder = platform::HostPath(folderName);
  platform::MakeFolder(folder);
  if (!platform::EnterFolder(folder))
    Log("could not enter %s", folderName.c_str());

  std::string reference = item->ChildValue("href");
  // Recorded once the installer has started: a failure must not pass for an update.
  m_installers.Prepare({"", InfoName(item->ChildValue("Info")), item->ChildValue("Sha256"),
                        item->ChildValue("Date"), item->ChildValue("Description")});
  if (GetProfileInt("advanced", "sim", 0) != 0)
    reference = SimulationReference(reference);

  const auto fileName = InstallerFileName(reference);
  const std::string target = FileInFolder(folderName, fileName.value_or(""));
  const std::string status = "downloading " + reference + " to " + target;
  TheDesktop().SetMessageText(status);
  Log("%s", status.c_str());

  m_transfer.SetSizeKB(SizeInKilobytes(item->ChildValue("Size")));
  TransferRequest request;
  request.url = reference;
  request.targetPath = target;
  request.maxBytes = InstallerByteLimit(item->ChildValue("Size"));
  // The network installers folder is shared with other machines, which may be
  // fetching the same installer now: nothing is kept there for a later run.
  request.resumption =
      m_Mode == WorkflowMode::Download ? Resumption::kWithinRun : Resumption::kAcrossRuns;
  const CXMLVar* digest = item->FindChild("Sha256");
  request.expectedSha256 = digest != nullptr ? digest->m_strValue : "";
  request.name = item->ChildValue("Description");
  request.nothingToStart = !fileName.has_value();
  m_transfer.Prepare(std::move(request));
  m_transfer.SetCommand(target);
  m_transfer.SetStatus(item->ChildValue("Description"));

  if (m_transfer.NothingToStart()) {
    // A reference without a usable file name would write over the folder or
    // outside it: nothing is fetched or started, and the queue goes on.
    Log("no installer file name in %s", reference.c_str());
    TheDesktop().PostCommand(cmd::kComplete);
  } else if (m_Mode == WorkflowMode::Run) {
    m_transfer.CountBytes(1024);
    m_transfer.SetSizeKB(
        m_pDownloads != nullptr ? static_cast<std::int32_t>(m_pDownloads->Children().size()) : 0);
    TheDesktop().PostCommand(cmd::kComplete);
  } else {
    m_transfer.Start();
  }
}

void CUpdateDoc::OnComplete() {
  if (m_transfer.Information()) {
    OnInformationArrived();
    return;
  }
  if (m_Mode != WorkflowMode::Run)
    m_transfer.Join();
  m_installers.CompleteArrived();
  if (m_installers.Silent())
    m_transfer.SetCommand(m_transfer.Command() + kSilentSwitch);

  if (m_transfer.NothingToStart()) {
    // Nothing was fetched, so there is nothing to start.
    m_installers.AddOutcome("it names no installer file");
  } else if (m_Mode == WorkflowMode::Download) {
    // The installers folder is being filled; nothing is started here, but a
    // file that fails its check must not wait there for a later run.
    if (m_transfer.Transferred())
      InstallerPassesCheck(/*ours=*/true);
  } else if (m_Mode != WorkflowMode::Run && !m_transfer.Transferred()) {
    // Whatever the failed transfer left behind is not a program to run.
    Log("not starting %s: the download failed", m_transfer.Command().c_str());
    m_installers.AddOutcome("the download failed");
  } else if (!InstallerPassesCheck(/*ours=*/m_Mode != WorkflowMode::Run)) {
    // Told to the user. A file we fetched is gone; the office's copy in the
    // network folder stays for its owner to look at.
    m_installers.AddOutcome("the installer failed its check");
  } else {
    StartOrQueueInstaller(m_transfer.Command());
  }

  if (m_bClosesAfterFirstInstaller)
    TheDesktop().PostCommand(cmd::kCloseMainWindow);
  GoOnAfterInstaller();
}

bool CUpdateDoc::InstallerPassesCheck(bool ours) const {
  return m_transfer.PassesCheck(m_bDigestsRequired, ours);
}

void CUpdateDoc::RunNextQueued() {
  CXMLVar* next = m_installers.TakeNext();
  if (next == nullptr)
    return;
  m_bInProgress = false;
  TransferItem(next);
}

void CUpdateDoc::InstallAll(const std::function<bool(CXMLVar*)>& wanted) {
  if (RefuseWhenInstallingIsOff())
    return;
  // One transfer record serves one transfer: a second queue must wait.
  if (RefuseWhileInProgress())
    return;
  if (m_pDownloads != nullptr) {
    for (CXMLVar* item : m_pDownloads->Children()) {
      if (!wanted || wanted(item))
        m_installers.Add(item, PlaceInQueue(item->ChildValue("href")));
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
  m_transfer.SetStatus(item->ChildValue("Description"));
  // The text's size is unknown: the dialog shows no figures and stays until
  // the text has arrived or failed.
  m_transfer.SetSizeKB(0);
  m_transfer.ResetBytes();
  TransferRequest request;
  request.url = url;
  request.targetPath = kInfoFile;
  request.counted = false;
  request.maxBytes = TransferBounds::ForText().maxBytes;
  request.deadlineSeconds = TransferBounds::ForCatalogue().deadlineSeconds;
  const CXMLVar* digest = item->FindChild("InfoSha256");
  request.expectedSha256 = digest != nullptr ? digest->m_strValue : "";
  request.name = item->ChildValue("Info");
  request.information = true;
  m_transfer.Prepare(std::move(request));
  TheDesktop().OpenProgress();
  m_transfer.Start();
}

void CUpdateDoc::OnInformationArrived() {
  m_transfer.Join();
  m_transfer.EndInformation();
  m_bInProgress = false;
  // A failed fetch was reported; an older item's text must not be shown instead.
  if (!m_transfer.Transferred())
    return;
  if (m_transfer.PassesCheck(/*digestRequired=*/false, /*removeOnFailure=*/true))
    TheDesktop().OpenWithDefaultApplication(kInfoFile);
}

void CUpdateDoc::StartOrQueueInstaller(const std::string& command) {
  if (auto start = m_installers.NowOrAfterRunning(command))
    StartInstaller(*start);
  else
    ShowWaiting();
}

void CUpdateDoc::StartInstaller(const InstallerStart& start) {
  if (m_Mode == WorkflowMode::Run)
    m_transfer.SetStatus(start.command);
  // The network "run" mode hands its installers the updater's handles, as
  // CreateProcess with inheritance does.
  const auto inheritance = m_Mode == WorkflowMode::Run ? platform::HandleInheritance::kInherited
                                                       : platform::HandleInheritance::kNone;
  // Last: refreshing the progress dialog handles pending events, this
  // installer's end among them.
  if (m_installers.Start(start, inheritance) && m_Mode == WorkflowMode::Run)
    TheDesktop().UpdateAllViews(cmd::kHintProgress);
}

void CUpdateDoc::ShowWaiting() {
  // The view's timer shows it in the progress dialog at its next tick; views
  // are not refreshed from here, which may run inside a "Complete" that has
  // just asked the main window to close.
  m_transfer.SetStatus("waiting for " + m_installers.RunningCommand() + " to end");
  TheDesktop().SetMessageText(m_transfer.Status());
}

void CUpdateDoc::OnInstallerEnded() {
  std::optional<InstallerStart> waiting;
  if (!m_installers.OnEnded(waiting))
    return;  // a late post from an installer replaced since; nothing ended now
  if (waiting)
    StartInstaller(*waiting);
  GoOnAfterInstaller();
}

void CUpdateDoc::GoOnAfterInstaller() {
  // The next download starts only when no installer waits for its turn.
  if (m_installers.Waiting())
    return;
  const bool completeToCome = m_installers.CompleteToCome();
  if (m_installers.Empty() && !m_installers.Running() && !completeToCome && m_bInProgress) {
    m_bInProgress = false;
    EndOfWork();
  }
  if (m_installers.Empty() && m_installers.Running() && !completeToCome)
    ShowWaiting();
  if (!completeToCome)
    RunNextQueued();
}

void CUpdateDoc::EndOfWork() {
  const bool restartAsked = m_installers.EndWork();
  if (m_bTellsRestart && restartAsked) {
    Log("%s", kRestartMessage);
    TheDesktop().MessageBox(kRestartMessage);
  }
}

// --- The network installers folder -------------------------------------------

std::string NetworkInstallersFolder() {
  return GetProfileString("paths", "installers", InstallersFolderDefault());
}

std::string CUpdateDoc::GetNetworkFolder() {
  std::string folder = NetworkInstallersFolder();
  if (folder.empty()) {
    NetworkSetup();
    folder = NetworkInstallersFolder();
  }
  return folder;
}

void CUpdateDoc::NetworkSetup() {
  std::string folder = NetworkInstallersFolder();
  if (TheDesktop().RunSetupDialog(folder))
    WriteProfileString("paths", "installers", folder);
}

void CUpdateDoc::NetworkDownload() {
  InstallThroughNetworkFolder(WorkflowMode::Download, "downloading to ");
}

void CUpdateDoc::NetworkRun() {
  InstallThroughNetworkFolder(WorkflowMode::Run, "installing from ");
}

void CUpdateDoc::InstallThroughNetworkFolder(WorkflowMode mode, const std::string& announcement) {
  // Before the folder is asked for: nothing of it would be used.
  if (RefuseWhenInstallingIsOff())
    return;
  if (RefuseWhileInProgress())
    return;
  const std::string folder = GetNetworkFolder();
  TheDesktop().MessageBox(announcement + folder);
  // Asked again: the Setup dialog may come a second time while the folder stays empty.
  m_transfer.SetFolder(GetNetworkFolder());
  m_Mode = mode;
  if (mode == WorkflowMode::Download && !m_transfer.Folder().empty())
    platform::RemoveStaleTemporaries(platform::HostPath(m_transfer.Folder()),
                                     kAbandonedTemporaryAge);
  InstallAll();
}

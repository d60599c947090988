// The network installers folder: filling it, installing from it, setting it.
#include "catalogue/update_doc.h"
#include "platform/host_path.h"
#include "platform/temporary_files.h"
#include "support/desktop.h"
#include "support/settings.h"

namespace {

// The folder is shared with other machines and prefixes, whose updaters may
// be writing there now, so only a temporary file nobody has written for this
// long is taken for a killed run's leftover: a live transfer that receives
// nothing for a minute or so is given up.
constexpr std::chrono::hours kAbandonedTemporaryAge{24};

}  // namespace

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
  m_strFolder = GetNetworkFolder();
  m_Mode = mode;
  if (mode == WorkflowMode::Download && !m_strFolder.empty())
    platform::RemoveStaleTemporaries(platform::HostPath(m_strFolder), kAbandonedTemporaryAge);
  InstallAll();
}

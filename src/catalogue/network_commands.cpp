// The network installers folder: filling it, installing from it, setting it.
#include "catalogue/update_doc.h"
#include "support/desktop.h"
#include "support/settings.h"

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
  if (m_bInProgress) {
    TheDesktop().MessageBox(kDownloadInProgressMessage);
    return;
  }
  const std::string folder = GetNetworkFolder();
  TheDesktop().MessageBox("downloading to " + folder);
  m_strFolder = GetNetworkFolder();
  m_strMode = "download";
  InstallAll();
}

void CUpdateDoc::NetworkRun() {
  if (m_bInProgress) {
    TheDesktop().MessageBox(kDownloadInProgressMessage);
    return;
  }
  const std::string folder = GetNetworkFolder();
  TheDesktop().MessageBox("installing from " + folder);
  m_strFolder = GetNetworkFolder();
  m_strMode = "run";
  InstallAll();
}

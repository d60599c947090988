#include "app/update_view_logic.h"

#include "app/application.h"
#include "app/progress_figures.h"
#include "app/update_list.h"
#include "catalogue/update_doc.h"
#include "support/commands.h"
#include "support/desktop.h"

namespace {
// Set once the automatic Install has been posted; never reset in a run.
bool g_bAutomaticInstallPosted = false;
}  // namespace

void ResetAutomaticInstall() {
  g_bAutomaticInstallPosted = false;
}

UpdateViewLogic::UpdateViewLogic(CUpdateDoc& doc, UpdateList& list, ProgressDisplay& progress,
                                 std::function<bool()> checkRunningPrograms)
    : m_doc(doc),
      m_list(list),
      m_progress(progress),
      m_checkRunningPrograms(std::move(checkRunningPrograms)) {}

void UpdateViewLogic::OnUpdate(int hint) {
  if (hint == cmd::kHintProgress) {
    RefreshProgress();
    return;
  }
  if (m_list.RowCount() > 0)
    return;
  if (m_doc.m_pDownloads != nullptr) {
    const int width = m_list.ClientWidth();
    FillList(m_list, m_doc.m_pDownloads, DefaultColumnWidth(width));
    SizeColumns(m_list, width);
  }
  Preselect();
}

void UpdateViewLogic::Preselect() {
  const std::string selection = TheOptions().Get("sel");
  if (selection.empty() || m_doc.m_pDownloads == nullptr)
    return;
  m_list.SelectRow(FindPreselectedRow(m_doc.m_pDownloads, selection + ".txt"));
  m_list.Focus();
  if (TheOptions().IsTrue("DLLCHECK") && !g_bAutomaticInstallPosted) {
    g_bAutomaticInstallPosted = true;
    TheDesktop().PostCommand(cmd::kInstall);
  }
}

void UpdateViewLogic::LoadAndStart() {
  m_doc.LoadCatalogue();
  if (TheOptions().IsTrue("ALL"))
    m_doc.InstallAll();
  if (TheOptions().IsTrue("RUN"))
    m_doc.NetworkRun();
}

void UpdateViewLogic::RefreshProgress() {
  const ProgressFigures figures = ComputeProgressFigures(m_doc.m_nBytesReceived, m_doc.m_nSizeKB);
  m_progress.SetProgressLabels(figures.kilobytesText, figures.percentText);
  if (!m_progress.IsProgressOpen())
    return;
  m_progress.SetProgressTitle(m_doc.m_strStatus + "...");
  m_progress.SetProgressPosition(figures.percent);
  // Read afresh: a "Complete" handled while the position was set may have
  // moved the queue on. The dialog stays while an installer runs or waits.
  if (ShouldCloseProgress(m_doc.m_InstallQueue.empty() && !m_doc.InstallerUnderWay(),
                          figures.percent, m_doc.m_bInProgress))
    m_progress.CloseProgress();
}

void UpdateViewLogic::OnInstall() {
  if (m_checkRunningPrograms && m_checkRunningPrograms())
    return;
  if (m_doc.m_bInProgress) {
    TheDesktop().MessageBox(kDownloadInProgressMessage);
    return;
  }
  CXMLVar* item = GetSelectedItem(m_list);
  if (item == nullptr) {
    TheDesktop().MessageBox(kChooseItemMessage);
    return;
  }
  TheDesktop().OpenProgress();
  m_doc.StartDownload(item);
}

void UpdateViewLogic::OnInformation() {
  CXMLVar* item = GetSelectedItem(m_list);
  if (item == nullptr) {
    TheDesktop().MessageBox(kChooseItemMessage);
    return;
  }
  m_doc.ShowInfo(item);
}

bool UpdateViewLogic::OnCommand(int commandId) {
  switch (commandId) {
    case cmd::kInstall:
      OnInstall();
      return true;
    case cmd::kInformation:
      OnInformation();
      return true;
    case cmd::kExit:
      TheDesktop().PostCommand(cmd::kAppExit);
      return true;
    case cmd::kAbout:
      TheDesktop().PostCommand(cmd::kAppAbout);
      return true;
    case cmd::kInstallAll:
      m_doc.InstallAll();
      return true;
    case cmd::kNetworkDownload:
      m_doc.NetworkDownload();
      return true;
    case cmd::kNetworkRun:
      m_doc.NetworkRun();
      return true;
    case cmd::kNetworkSetup:
      m_doc.NetworkSetup();
      return true;
    default:
      return false;
  }
}

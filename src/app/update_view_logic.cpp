#include "app/update_view_logic.h"

#include "app/application.h"
#include "app/option_keys.h"
#include "app/progress_figures.h"
#include "app/update_list.h"
#include "catalogue/pending_updates.h"
#include "catalogue/update_doc.h"
#include "support/commands.h"
#include "support/desktop.h"
#include "support/startup_trace.h"

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
  if (m_doc.Downloads() != nullptr) {
    const int width = m_list.ClientWidth();
    FillList(m_list, m_doc.Downloads(), DefaultColumnWidth(width));
    SizeColumns(m_list, width);
    MarkPendingRows(m_list, PendingItems(m_doc.Downloads()));
    TraceStartup("list filled");
  }
  Preselect();
}

void UpdateViewLogic::Preselect() {
  const std::string selection = TheOptions().Get(option::kSelection);
  if (selection.empty() || m_doc.Downloads() == nullptr)
    return;
  m_list.SelectRow(FindPreselectedRow(m_doc.Downloads(), selection + ".txt"));
  m_list.Focus();
  if (TheOptions().IsTrue(option::kLibraryCheck) && !g_bAutomaticInstallPosted) {
    g_bAutomaticInstallPosted = true;
    TheDesktop().PostCommand(cmd::kInstall);
  }
}

void UpdateViewLogic::LoadAndStart() {
  m_doc.LoadCatalogue();
  if (TheOptions().IsTrue(option::kInstallAll))
    m_doc.InstallAll();
  if (TheOptions().IsTrue(option::kNetworkRun))
    m_doc.NetworkRun();
}

void UpdateViewLogic::RefreshProgress() {
  const ProgressSnapshot before = m_doc.Progress();
  const ProgressFigures figures = ComputeProgressFigures(before.bytesReceived, before.sizeKB);
  m_progress.SetProgressLabels(figures.kilobytesText, figures.percentText);
  if (!m_progress.IsProgressOpen())
    return;
  m_progress.SetProgressTitle(before.status + "...");
  m_progress.SetProgressPosition(figures.percent);
  // Read afresh: a "Complete" handled while the position was set may have
  // moved the queue on. The dialog stays while an installer runs or waits.
  const ProgressSnapshot after = m_doc.Progress();
  if (ShouldCloseProgress(after.queueLength == 0 && !after.installerUnderWay, figures.percent,
                          after.inProgress)) {
    m_progress.CloseProgress();
    // What was installed is no longer new.
    MarkPendingRows(m_list, PendingItems(m_doc.Downloads()));
  }
}

void UpdateViewLogic::OnInstall() {
  if (m_checkRunningPrograms && m_checkRunningPrograms())
    return;
  if (m_doc.RefuseWhileInProgress())
    return;
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

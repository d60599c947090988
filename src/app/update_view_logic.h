// What the update view does, apart from drawing: it fills its list from the
// document's catalogue once, preselects the update named on the command line,
// runs the start-up work of "ALL" and "RUN", turns its commands into calls of
// the workflow, and once a second copies the transfer's progress into its
// labels and the progress dialog, closing the dialog when the work is done.
//
// It reads the document's catalogue and progress snapshot and calls its
// operations; it decides nothing about transfers itself. The list and the
// progress display are the view's own widgets behind small interfaces. UI
// thread only.
#pragma once

#include <functional>
#include <string>

class CUpdateDoc;
class UpdateList;

// The view's two labels and its progress dialog.
class ProgressDisplay {
 public:
  virtual ~ProgressDisplay() = default;
  // Labels 1002 (kilobytes) and 1003 (percentage).
  virtual void SetProgressLabels(const std::string& kilobytes, const std::string& percent) = 0;
  virtual bool IsProgressOpen() const = 0;
  virtual void SetProgressTitle(const std::string& title) = 0;
  // Handles every pending event first, then moves the bar.
  virtual void SetProgressPosition(int percent) = 0;
  virtual void CloseProgress() = 0;
};

// Shown by Install and Information when no row is selected.
inline constexpr const char* kChooseItemMessage = "choose item to download first";

class UpdateViewLogic {
 public:
  // `checkRunningPrograms` is true when suite programs run (the user has been
  // told); Install then stops.
  UpdateViewLogic(CUpdateDoc& doc, UpdateList& list, ProgressDisplay& progress,
                  std::function<bool()> checkRunningPrograms);

  // The document changed. Hint 1 refreshes the progress at once; hint 0
  // fills the list (once per view) and preselects, and in the library-check
  // mode posts one automatic Install for the life of the process.
  void OnUpdate(int hint);
  // The initial update's work after the layout: the catalogue is loaded,
  // then "ALL" and "RUN" are carried out.
  void LoadAndStart();
  // Once a second.
  void RefreshProgress();

  void OnInstall();
  void OnInformation();
  // The view's commands (Install, Information, Exit, About, Install All and
  // the Network commands); false for any other.
  bool OnCommand(int commandId);

 private:
  void Preselect();

  CUpdateDoc& m_doc;
  UpdateList& m_list;
  ProgressDisplay& m_progress;
  std::function<bool()> m_checkRunningPrograms;
};

// The automatic Install of the library-check mode is posted once per
// process; a new process starts afresh. For tests, which play many runs.
void ResetAutomaticInstall();

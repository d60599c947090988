// The Setup dialog: edits the network installers folder.
//
// The caller fills m_strInstallers, runs DoModal and reads the field back
// when the result is 1 (OK). Modal over the main window; UI thread only.
#pragma once

#include <string>

#include "support/commands.h"

class CSetupDlg {
 public:
  static constexpr int kOk = cmd::kDialogOk;
  static constexpr int kCancel = cmd::kDialogCancel;

  // 1 when the user confirmed with OK (m_strInstallers then holds the edited
  // text), 2 otherwise (the field is left as it was).
  int DoModal();

  std::string m_strInstallers;
};

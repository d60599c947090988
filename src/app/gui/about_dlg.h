// The About dialog: the product line, rewritten for the active brand, under
// the application icon. Modal over the main window; UI thread only.
#pragma once

class CAboutDlg {
 public:
  int DoModal();
};

// Every command identifier of the application, and nowhere else as a literal;
// with them the ids of the window resources and their controls, which other
// programs address the windows by. Here rather than beside the windows: the
// document posts and handles some of the commands, and the core never reaches
// up into app/.
//
// The numbers are macros so that the Windows resource script
// (res/ostrel-update.rc) builds its menu, accelerators, dialogs and strings
// from this same header; C++ uses the constants in namespace cmd.
#pragma once

// The update view's buttons and menu items.
#define OSTREL_ID_INSTALL 1001
#define OSTREL_ID_INFORMATION 1004
#define OSTREL_ID_EXIT 1006
#define OSTREL_ID_ABOUT 1007
#define OSTREL_ID_INSTALL_ALL 1010
#define OSTREL_ID_NETWORK_DOWNLOAD 32776
#define OSTREL_ID_NETWORK_RUN 32777
#define OSTREL_ID_NETWORK_SETUP 32778
#define OSTREL_ID_COMPLETE 32774
#define OSTREL_ID_INSTALLER_ENDED 32780
#define OSTREL_ID_RELOAD_CATALOGUE 32771
#define OSTREL_ID_CLOSE_MAIN_WINDOW 61536

// The framework's standard commands.
#define OSTREL_ID_FILE_NEW 57600
#define OSTREL_ID_FILE_OPEN 57601
#define OSTREL_ID_FILE_SAVE 57603
#define OSTREL_ID_FILE_PRINT_SETUP 57606
#define OSTREL_ID_FILE_PRINT 57607
#define OSTREL_ID_FILE_PRINT_DIRECT 57608
#define OSTREL_ID_FILE_PRINT_PREVIEW 57609
#define OSTREL_ID_FILE_MRU_FIRST 57616
#define OSTREL_ID_EDIT_COPY 57634
#define OSTREL_ID_EDIT_CUT 57635
#define OSTREL_ID_EDIT_PASTE 57637
#define OSTREL_ID_EDIT_UNDO 57643
#define OSTREL_ID_APP_ABOUT 57664
#define OSTREL_ID_APP_EXIT 57665
#define OSTREL_ID_NEXT_PANE 57680
#define OSTREL_ID_PREV_PANE 57681

// The window resources: the main frame's menu, accelerators, icon and
// document strings; the form; the dialogs; the menu that only holds
// "Complete".
#define OSTREL_IDR_MAINFRAME 128
#define OSTREL_IDR_COMPLETE_MENU 130
#define OSTREL_IDD_ABOUT 100
#define OSTREL_IDD_FORM 101
#define OSTREL_IDD_PROGRESS 104
#define OSTREL_IDD_SETUP 133

// Controls of the form and the dialogs; OK and Cancel are the system's own.
#define OSTREL_IDC_OK 1
#define OSTREL_IDC_CANCEL 2
#define OSTREL_IDC_UPDATE_LIST 1000
#define OSTREL_IDC_KILOBYTES 1002
#define OSTREL_IDC_PERCENT 1003
#define OSTREL_IDC_PROGRESS_BAR 1003
#define OSTREL_IDC_PROGRESS_PERCENT 1004
#define OSTREL_IDC_PRODUCT_LINE 1009
#define OSTREL_IDC_INSTALLERS_FOLDER 1012

// Strings: the application title, and the progress dialog's initial title,
// which the table does not hold.
#define OSTREL_IDS_APP_TITLE 57344
#define OSTREL_IDS_PROGRESS_TITLE 105

#ifndef RC_INVOKED
namespace cmd {

// The update view's buttons and menu items.
inline constexpr int kInstall = OSTREL_ID_INSTALL;
inline constexpr int kInformation = OSTREL_ID_INFORMATION;
inline constexpr int kExit = OSTREL_ID_EXIT;
inline constexpr int kAbout = OSTREL_ID_ABOUT;
inline constexpr int kInstallAll = OSTREL_ID_INSTALL_ALL;
inline constexpr int kNetworkDownload = OSTREL_ID_NETWORK_DOWNLOAD;
inline constexpr int kNetworkRun = OSTREL_ID_NETWORK_RUN;
inline constexpr int kNetworkSetup = OSTREL_ID_NETWORK_SETUP;

// Posted to the main window when a transfer has ended; handled by the document.
inline constexpr int kComplete = OSTREL_ID_COMPLETE;
// Posted to the main window when a started installer has ended; handled by
// the document.
inline constexpr int kInstallerEnded = OSTREL_ID_INSTALLER_ENDED;
// Loads the catalogue again; handled by the document (nothing issues it today).
inline constexpr int kReloadCatalogue = OSTREL_ID_RELOAD_CATALOGUE;
// Posted to close the main window (the system's close request, not a menu command).
inline constexpr int kCloseMainWindow = OSTREL_ID_CLOSE_MAIN_WINDOW;

// The framework's standard commands.
inline constexpr int kFileNew = OSTREL_ID_FILE_NEW;
inline constexpr int kFileOpen = OSTREL_ID_FILE_OPEN;
inline constexpr int kFileSave = OSTREL_ID_FILE_SAVE;
inline constexpr int kFilePrint = OSTREL_ID_FILE_PRINT;
inline constexpr int kFilePrintDirect = OSTREL_ID_FILE_PRINT_DIRECT;
inline constexpr int kFilePrintPreview = OSTREL_ID_FILE_PRINT_PREVIEW;
inline constexpr int kFilePrintSetup = OSTREL_ID_FILE_PRINT_SETUP;
inline constexpr int kFileMruFirst = OSTREL_ID_FILE_MRU_FIRST;
inline constexpr int kEditCopy = OSTREL_ID_EDIT_COPY;
inline constexpr int kEditCut = OSTREL_ID_EDIT_CUT;
inline constexpr int kEditPaste = OSTREL_ID_EDIT_PASTE;
inline constexpr int kEditUndo = OSTREL_ID_EDIT_UNDO;
inline constexpr int kAppAbout = OSTREL_ID_APP_ABOUT;
inline constexpr int kAppExit = OSTREL_ID_APP_EXIT;
inline constexpr int kNextPane = OSTREL_ID_NEXT_PANE;
inline constexpr int kPrevPane = OSTREL_ID_PREV_PANE;

// Controls of the update form.
inline constexpr int kUpdateList = OSTREL_IDC_UPDATE_LIST;
inline constexpr int kKilobytesLabel = OSTREL_IDC_KILOBYTES;
inline constexpr int kPercentLabel = OSTREL_IDC_PERCENT;

// Controls of the dialogs: a dialog's OK and Cancel are the system's ids, and
// a modal dialog ends with OK's when confirmed.
inline constexpr int kDialogOk = OSTREL_IDC_OK;
inline constexpr int kDialogCancel = OSTREL_IDC_CANCEL;
inline constexpr int kProgressBar = OSTREL_IDC_PROGRESS_BAR;
inline constexpr int kProgressPercent = OSTREL_IDC_PROGRESS_PERCENT;
inline constexpr int kProductLine = OSTREL_IDC_PRODUCT_LINE;
inline constexpr int kInstallersFolder = OSTREL_IDC_INSTALLERS_FOLDER;

// The window resources.
inline constexpr int kMainFrameResource = OSTREL_IDR_MAINFRAME;
inline constexpr int kAboutDialog = OSTREL_IDD_ABOUT;
inline constexpr int kFormTemplate = OSTREL_IDD_FORM;
inline constexpr int kProgressDialog = OSTREL_IDD_PROGRESS;
inline constexpr int kSetupDialog = OSTREL_IDD_SETUP;
inline constexpr int kAppTitleString = OSTREL_IDS_APP_TITLE;
inline constexpr int kProgressTitleString = OSTREL_IDS_PROGRESS_TITLE;

// Hints of UpdateAllViews.
inline constexpr int kHintCatalogue = 0;
inline constexpr int kHintProgress = 1;

}  // namespace cmd
#endif

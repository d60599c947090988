// Every command identifier of the application, and nowhere else as a literal.
// Here rather than beside the windows: the document posts and handles some of
// them, and the core never reaches up into app/.
#pragma once

namespace cmd {

// The update view's buttons and menu items.
inline constexpr int kInstall = 1001;
inline constexpr int kInformation = 1004;
inline constexpr int kExit = 1006;
inline constexpr int kAbout = 1007;
inline constexpr int kInstallAll = 1010;
inline constexpr int kNetworkDownload = 32776;
inline constexpr int kNetworkRun = 32777;
inline constexpr int kNetworkSetup = 32778;

// Posted to the main window when a transfer has ended; handled by the document.
inline constexpr int kComplete = 32774;
// Posted to the main window when a started installer has ended; handled by
// the document.
inline constexpr int kInstallerEnded = 32780;
// Loads the catalogue again; handled by the document (nothing issues it today).
inline constexpr int kReloadCatalogue = 32771;
// Posted to close the main window (the system's close request, not a menu command).
inline constexpr int kCloseMainWindow = 61536;

// The framework's standard commands.
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileSave = 57603;
inline constexpr int kFilePrint = 57607;
inline constexpr int kFilePrintDirect = 57608;
inline constexpr int kFilePrintPreview = 57609;
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kFileMruFirst = 57616;
inline constexpr int kEditCopy = 57634;
inline constexpr int kEditCut = 57635;
inline constexpr int kEditPaste = 57637;
inline constexpr int kEditUndo = 57643;
inline constexpr int kAppAbout = 57664;
inline constexpr int kAppExit = 57665;
inline constexpr int kNextPane = 57680;
inline constexpr int kPrevPane = 57681;

// Controls of the update form.
inline constexpr int kUpdateList = 1000;
inline constexpr int kKilobytesLabel = 1002;
inline constexpr int kPercentLabel = 1003;

// Hints of UpdateAllViews.
inline constexpr int kHintCatalogue = 0;
inline constexpr int kHintProgress = 1;

}  // namespace cmd

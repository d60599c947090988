#include "app/gui/main_menu.h"

#include <wx/menu.h>
#include <algorithm>
#include <iterator>

#include "support/commands.h"

namespace {

// Every command reachable from the menu or the keyboard; its event id is
// kFirstEventId plus its place here.
constexpr int kCommands[] = {
    cmd::kInstall,    cmd::kInformation,  cmd::kInstallAll, cmd::kNetworkDownload,
    cmd::kNetworkRun, cmd::kNetworkSetup, cmd::kExit,       cmd::kAppAbout,
    cmd::kFileNew,    cmd::kFileOpen,     cmd::kFileSave,   cmd::kFilePrint,
    cmd::kEditUndo,   cmd::kEditCut,      cmd::kEditCopy,   cmd::kEditPaste,
    cmd::kNextPane,   cmd::kPrevPane,
};
// No command id lies in [kFirstEventId, kFirstEventId + count).
constexpr int kFirstEventId = 2000;

void Append(wxMenu* menu, int commandId, const char* label) {
  menu->Append(EventIdForCommand(commandId), label);
}

}  // namespace

int EventIdForCommand(int commandId) {
  const auto* found = std::find(std::begin(kCommands), std::end(kCommands), commandId);
  return found == std::end(kCommands) ? commandId
                                      : kFirstEventId + int(found - std::begin(kCommands));
}

int CommandForEventId(int eventId) {
  const int index = eventId - kFirstEventId;
  return index >= 0 && index < int(std::size(kCommands)) ? kCommands[index] : eventId;
}

wxMenuBar* CreateMainMenu() {
  auto* install = new wxMenu;
  Append(install, cmd::kInstall, "Install");
  Append(install, cmd::kInformation, "Info");
  Append(install, cmd::kInstallAll, "All");
  auto* network = new wxMenu;
  Append(network, cmd::kNetworkDownload, "Download");
  Append(network, cmd::kNetworkRun, "Run");
  Append(network, cmd::kNetworkSetup, "Setup");
  install->AppendSubMenu(network, "Network");
  Append(install, cmd::kExit, "Exit");

  auto* help = new wxMenu;
  Append(help, cmd::kAppAbout, "&About update...");

  auto* menu = new wxMenuBar;
  menu->Append(install, "Install");
  menu->Append(help, "&Help");
  return menu;
}

wxAcceleratorTable CreateMainAccelerators() {
  const auto entry = [](int flags, int key, int commandId) {
    return wxAcceleratorEntry(flags, key, EventIdForCommand(commandId));
  };
  const wxAcceleratorEntry entries[] = {
      entry(wxACCEL_CTRL, 'N', cmd::kFileNew),
      entry(wxACCEL_CTRL, 'O', cmd::kFileOpen),
      entry(wxACCEL_CTRL, 'S', cmd::kFileSave),
      entry(wxACCEL_CTRL, 'P', cmd::kFilePrint),
      entry(wxACCEL_CTRL, 'Z', cmd::kEditUndo),
      entry(wxACCEL_ALT, WXK_BACK, cmd::kEditUndo),
      entry(wxACCEL_CTRL, 'X', cmd::kEditCut),
      entry(wxACCEL_SHIFT, WXK_DELETE, cmd::kEditCut),
      entry(wxACCEL_CTRL, 'C', cmd::kEditCopy),
      entry(wxACCEL_CTRL, WXK_INSERT, cmd::kEditCopy),
      entry(wxACCEL_CTRL, 'V', cmd::kEditPaste),
      entry(wxACCEL_SHIFT, WXK_INSERT, cmd::kEditPaste),
      entry(wxACCEL_NORMAL, WXK_F6, cmd::kNextPane),
      entry(wxACCEL_SHIFT, WXK_F6, cmd::kPrevPane),
  };
  return wxAcceleratorTable(int(std::size(entries)), entries);
}

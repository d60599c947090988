// Menu 128 and accelerator table 128 of the main window, built with the
// toolkit where the system has no such resources (on Windows they are the
// program's own, res/ostrel-update.rc).
//
// The toolkit takes menu and accelerator ids only below 0x7FFF, and several
// command ids (Network, About, the framework's commands) lie above. So every
// menu item and accelerator carries an id of its own, and CommandForEventId
// turns an event's id back into the command. A command posted to the frame
// carries the command id itself, which no menu id equals. UI thread only.
#pragma once

#include <wx/accel.h>

class wxMenuBar;

wxMenuBar* CreateMainMenu();
wxAcceleratorTable CreateMainAccelerators();

// The command of a menu or accelerator event; any other id is the command.
int CommandForEventId(int eventId);
// The event id that a menu item or accelerator for `commandId` carries.
int EventIdForCommand(int commandId);

// The window resources compiled into the program: the menu, the form and the
// dialogs (an XRC document), and the application icon.
//
// UI thread only, after the framework has been initialised.
#pragma once

#include <wx/icon.h>
#include <wx/iconbndl.h>
#include <wx/window.h>
#include <string>

// Makes the resources available to wxXmlResource; true when they loaded.
// Calling it again does nothing.
bool LoadResources();

wxIcon ApplicationIcon();
// Every size of it there is, for the frame (title bar, task bar, Alt+Tab).
wxIconBundle ApplicationIcons();

// The string table: the application title (57344) is "update"; an id that
// the table does not hold gives the empty text.
inline constexpr int kAppTitleStringId = 57344;
std::string LoadResourceString(int id);

// Client sizes of the resources, in dialog units.
inline const wxSize kFormSize{400, 222};
inline const wxSize kProgressDialogSize{266, 63};
inline const wxSize kSetupDialogSize{186, 73};
inline const wxSize kAboutDialogSize{235, 55};

// Gives `window` a client area of `dialogUnits`, converted with its own font.
void SetClientSizeInDialogUnits(wxWindow* window, wxSize dialogUnits);

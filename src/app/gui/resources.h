// The window resources compiled into the program: the form and the dialogs
// (an XRC document), the application icon and the string table; on Windows
// also the system's own resources of res/ostrel-update.rc (menu and
// accelerators 128, the dialog templates, the strings, icon 128).
//
// UI thread only, after the framework has been initialised.
#pragma once

#include <wx/dialog.h>
#include <wx/font.h>
#include <wx/icon.h>
#include <wx/iconbndl.h>
#include <wx/panel.h>
#include <wx/window.h>
#include <string>

#include "support/commands.h"

// Makes the resources available to wxXmlResource; true when they loaded.
// Calling it again does nothing.
bool LoadResources();

// Makes `dialog` from the dialog template `templateId`, its OK and Cancel the
// system's ids 1 and 2 (Enter and Esc press them, and a confirmed dialog ends
// with 1); false when it can't be made.
bool LoadDialogResource(wxDialog* dialog, wxWindow* parent, int templateId);
// Makes `form` from the form template `templateId`.
bool LoadFormResource(wxPanel* form, wxWindow* parent, int templateId);

wxIcon ApplicationIcon();
// Every size of it there is, for the frame (title bar, task bar, Alt+Tab).
wxIconBundle ApplicationIcons();

// The string table: the application title (cmd::kAppTitleString) is
// "update"; an id that the table does not hold gives the empty text.
std::string LoadResourceString(int id);
inline constexpr int kAppTitleStringId = cmd::kAppTitleString;

#ifdef __WXMSW__
// The font of the form template (Tahoma 8, as template 101 of
// res/ostrel-update.rc has it): the main window's, whose dialog units size
// the form and which its controls inherit. The dialogs name their own in the
// XRC document.
wxFont FormTemplateFont();
#endif

// Client sizes of the resources, in dialog units.
inline const wxSize kFormSize{400, 222};
inline const wxSize kProgressDialogSize{266, 63};
inline const wxSize kSetupDialogSize{186, 73};
inline const wxSize kAboutDialogSize{235, 55};

// Gives `window` a client area of `dialogUnits`, converted with its own font.
void SetClientSizeInDialogUnits(wxWindow* window, wxSize dialogUnits);

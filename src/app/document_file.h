// The document's file, as the framework's document handling keeps it. The
// updater's document has no file form: Open reads nothing and Save writes
// nothing, yet the framework still names the document after its file, keeps
// the full path in the recent-file list, and asks for a name on Save while
// there is no file it could write. UI thread.
#pragma once

#include <string>
#include <string_view>

// Whether Save asks for a name first: the document has no path yet, or no
// file may be written there (missing, which a Save that writes nothing never
// changes, or read-only).
bool SaveAsksForName(std::string_view pathName);

// The title a document takes from its file: the name after the last folder
// separator.
std::string DocumentTitleOf(std::string_view pathName);

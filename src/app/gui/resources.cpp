#include "app/gui/resources.h"

#include <wx/filesys.h>
#include <wx/fs_mem.h>
#include <wx/xrc/xmlres.h>
#include <cstddef>

#ifndef _WIN32
#include "update_icon.xpm"
#endif

extern const unsigned char kUpdateXrc[];
extern const std::size_t kUpdateXrcSize;

namespace {
constexpr const char* kResourceName = "ostrel-update.xrc";
}

bool LoadResources() {
  static bool loaded = false;
  if (loaded)
    return true;
  // The memory file system serves the compiled-in document to the XRC loader,
  // which otherwise reads only files.
  if (!wxFileSystem::HasHandlerForPath(wxString("memory:") + kResourceName))
    wxFileSystem::AddHandler(new wxMemoryFSHandler);
  wxMemoryFSHandler::AddFile(kResourceName, kUpdateXrc, kUpdateXrcSize);
  wxXmlResource::Get()->InitAllHandlers();
  loaded = wxXmlResource::Get()->Load(wxString("memory:") + kResourceName);
  return loaded;
}

#ifdef _WIN32
// The program's icon resource (res/ostrel-update.rc), in the sizes Windows
// draws it at.
namespace {
constexpr const char* kIconResource = "ostrel_update";
}

wxIcon ApplicationIcon() {
  return wxIcon(kIconResource, wxBITMAP_TYPE_ICO_RESOURCE, 32, 32);
}

wxIconBundle ApplicationIcons() {
  return wxIconBundle(kIconResource, nullptr);
}
#else
wxIcon ApplicationIcon() {
  return wxIcon(update_icon_xpm);
}

wxIconBundle ApplicationIcons() {
  return wxIconBundle(ApplicationIcon());
}
#endif

std::string LoadResourceString(int id) {
  return id == kAppTitleStringId ? "update" : "";
}

void SetClientSizeInDialogUnits(wxWindow* window, wxSize dialogUnits) {
  window->SetClientSize(window->ConvertDialogToPixels(dialogUnits));
}

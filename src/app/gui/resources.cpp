#include "app/gui/resources.h"

#include <wx/filesys.h>
#include <wx/fs_mem.h>
#include <wx/xrc/xmlres.h>
#include <cstddef>

#include "update_icon.xpm"

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

wxIcon ApplicationIcon() {
  return wxIcon(update_icon_xpm);
}

std::string LoadResourceString(int id) {
  return id == kAppTitleStringId ? "update" : "";
}

void SetClientSizeInDialogUnits(wxWindow* window, wxSize dialogUnits) {
  window->SetClientSize(window->ConvertDialogToPixels(dialogUnits));
}

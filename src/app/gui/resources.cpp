#include "app/gui/resources.h"

#include <wx/filesys.h>
#include <wx/fs_mem.h>
#include <wx/xrc/xmlres.h>
#include <cstddef>

#ifdef __WXMSW__
#include <windows.h>

#include "app/gui/wx_text.h"
#else
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

bool LoadDialogResource(wxDialog* dialog, wxWindow* parent, int templateId) {
  if (!wxXmlResource::Get()->LoadDialog(dialog, parent, wxString::Format("%d", templateId)))
    return false;
  dialog->SetAffirmativeId(cmd::kDialogOk);
  dialog->SetEscapeId(cmd::kDialogCancel);
  return true;
}

bool LoadFormResource(wxPanel* form, wxWindow* parent, int templateId) {
  return wxXmlResource::Get()->LoadPanel(form, parent, wxString::Format("%d", templateId));
}

#ifdef __WXMSW__
namespace {

// Icon 128, the application's, in the sizes Windows draws it at; the first
// icon group of the program, which Explorer shows.
const wxString& IconResource() {
  static const wxString name = wxString::Format("#%d", cmd::kMainFrameResource);
  return name;
}

}  // namespace

wxIcon ApplicationIcon() {
  return wxIcon(IconResource(), wxBITMAP_TYPE_ICO_RESOURCE, 32, 32);
}

wxIconBundle ApplicationIcons() {
  return wxIconBundle(IconResource(), nullptr);
}

std::string LoadResourceString(int id) {
  // The length of the string itself, read in place: no buffer to outgrow.
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(::GetModuleHandleW(nullptr), static_cast<UINT>(id),
                                   reinterpret_cast<wchar_t*>(&text), 0);
  return length > 0 ? FromWx(wxString(text, static_cast<std::size_t>(length))) : std::string();
}

wxFont FormTemplateFont() {
  return wxFont(8, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false, "Tahoma");
}
#else
wxIcon ApplicationIcon() {
  return wxIcon(update_icon_xpm);
}

wxIconBundle ApplicationIcons() {
  return wxIconBundle(ApplicationIcon());
}

std::string LoadResourceString(int id) {
  return id == cmd::kAppTitleString ? "update" : "";
}
#endif

void SetClientSizeInDialogUnits(wxWindow* window, wxSize dialogUnits) {
  window->SetClientSize(window->ConvertDialogToPixels(dialogUnits));
}

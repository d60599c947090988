#include "app/gui/wx_desktop.h"

#include <wx/app.h>
// The credential dialog's header needs the text control's.
#include <wx/textctrl.h>

#include <wx/creddlg.h>
#include <wx/dialog.h>
#include <wx/event.h>
#include <wx/thread.h>

#include "app/gui/main_frame.h"
#include "app/gui/message_box.h"
#include "app/gui/resources.h"
#include "app/gui/setup_dlg.h"
#include "app/gui/update_view.h"
#include "app/gui/wx_text.h"
#include "platform/default_application.h"
#include "platform/host_path.h"

namespace {

wxString AppTitle() {
  return ToWx(LoadResourceString(kAppTitleStringId));
}

// Modal dialogs belong to the active window, or to the main window. Never
// to a modeless dialog (the progress window): the view's timer destroys it
// when the work is done, whatever box is open over it, and it would take
// the box, a dialog on the stack, with it; its owner has it instead.
wxWindow* DialogParent() {
  wxWindow* window = wxGetActiveWindow();
  window = window != nullptr ? wxGetTopLevelParent(window) : nullptr;
  for (auto* dialog = wxDynamicCast(window, wxDialog); dialog != nullptr && !dialog->IsModal();
       dialog = wxDynamicCast(window, wxDialog)) {
    window = dialog->GetParent() != nullptr ? wxGetTopLevelParent(dialog->GetParent()) : nullptr;
  }
  if (window != nullptr)
    return window;
  return wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr;
}

}  // namespace

void WxDesktop::MessageBox(const std::string& text) {
  if (wxIsMainThread()) {
    ShowMessageBox(text);
    return;
  }
  m_uiCalls.Call<bool>(
      [this, text] {
        ShowMessageBox(text);
        return true;
      },
      false);
}

std::optional<Desktop::Credentials> WxDesktop::AskCredentials(const std::string& site) {
  if (wxIsMainThread())
    return ShowCredentialPrompt(site);
  return m_uiCalls.Call<std::optional<Credentials>>(
      [this, site] { return ShowCredentialPrompt(site); }, std::nullopt);
}

std::optional<bool> WxDesktop::SignInWithSystemDialog(
    const std::function<bool(void* window)>& showDialog) {
#ifdef _WIN32
  const std::function<std::optional<bool>()> show = [showDialog]() -> std::optional<bool> {
    wxWindow* parent = DialogParent();
    return showDialog(parent != nullptr ? parent->GetHWND() : nullptr);
  };
  if (wxIsMainThread())
    return show();
  // A closing window counts the dialog as cancelled.
  return m_uiCalls.Call<std::optional<bool>>(show, false);
#else
  return Desktop::SignInWithSystemDialog(showDialog);
#endif
}

void WxDesktop::PostCommand(int commandId) {
  std::lock_guard lock(m_frameMutex);
  // Without a main window the command has nowhere to go, as a message posted
  // to no window.
  if (m_pFrame != nullptr)
    wxQueueEvent(m_pFrame, new wxCommandEvent(wxEVT_MENU, commandId));
}

void WxDesktop::SetMessageText(const std::string& text) {
  m_strMessageText = text;
}

void WxDesktop::OpenProgress() {
  if (m_pFrame != nullptr)
    m_pFrame->View()->OpenProgress();
}

bool WxDesktop::RunSetupDialog(std::string& folder) {
  CSetupDlg dialog;
  dialog.m_strInstallers = folder;
  if (dialog.DoModal() != CSetupDlg::kOk)
    return false;
  folder = dialog.m_strInstallers;
  return true;
}

void WxDesktop::OpenWithDefaultApplication(const std::string& windowsPath) {
  platform::OpenWithDefaultApplication(platform::HostPath(windowsPath));
}

void WxDesktop::UpdateAllViews(int hint) {
  if (m_pFrame != nullptr)
    m_pFrame->View()->OnUpdate(hint);
}

void WxDesktop::AttachFrame(CMainFrame* frame) {
  {
    std::lock_guard lock(m_frameMutex);
    m_pFrame = frame;
  }
  if (frame != nullptr)
    m_uiCalls.Restart();
}

void WxDesktop::DetachFrame(CMainFrame* frame) {
  std::lock_guard lock(m_frameMutex);
  if (m_pFrame == frame)
    m_pFrame = nullptr;
}

void WxDesktop::StopServingWorker() {
  m_uiCalls.Stop();
}

void WxDesktop::ShowMessageBox(const std::string& text) {
  ShowApplicationMessageBox(DialogParent(), ToWx(text));
}

std::optional<Desktop::Credentials> WxDesktop::ShowCredentialPrompt(const std::string& site) {
  wxCredentialEntryDialog dialog(
      DialogParent(), ToWx("Enter your user name and password for " + site + "."), AppTitle());
  if (dialog.ShowModal() != wxID_OK)
    return std::nullopt;
  const wxWebCredentials credentials = dialog.GetCredentials();
  return Credentials{FromWx(credentials.GetUser()),
                     FromWx(wxSecretString(credentials.GetPassword()))};
}

// The document's installers: the one running, and the one downloaded while
// it ran, which waits for it (internal to the document).
//
// Installers of the suite touch the same files, so no two run at once: a
// download may finish while an installer runs, and its installer then waits
// for the end of the one before. The end of a running installer is reported
// from its waiting thread as the command "installer ended", which the
// document handles on the UI thread. UI thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "catalogue/update_doc.h"
#include "platform/program_start.h"

struct CUpdateDoc::InstallerStart {
  std::string command;
  // The item's settings record ([internet] "update" + this), written once
  // its installer has started.
  std::string infoName;
  // What the updater's own records keep of the item (pending_updates.h).
  std::string sha256;
  std::string date;
  // For the outcome of the run.
  std::string description;
};

struct CUpdateDoc::Installers {
  using Start = InstallerStart;

  std::unique_ptr<platform::WatchedProgram> running;
  std::string runningCommand;
  Start runningStart;
  std::optional<Start> waiting;
  // The item that StartDownload prepared last (command unused).
  Start prepared;
  // A "Complete" is still to come for the item StartDownload prepared last.
  bool completeToCome = false;
};

// The document's one transfer record and its worker (internal to the document).
#pragma once

#include "catalogue/download_worker.h"
#include "catalogue/update_doc.h"

struct CUpdateDoc::Transfer {
  DownloadState state;
  DownloadWorker worker;
  // StartDownload decided that this item has no installer to start.
  bool nothingToStart = false;
  // The transfer is ShowInfo's: an information text to open, no installer.
  bool information = false;
  // The item's <Sha256> (<InfoSha256>) and how the user knows it, for the
  // check before the file is used.
  std::string expectedSha256;
  std::string name;
};

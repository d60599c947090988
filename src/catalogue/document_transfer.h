// The document's one transfer record and its worker (internal to the document).
#pragma once

#include "catalogue/download_worker.h"
#include "catalogue/update_doc.h"

struct CUpdateDoc::Transfer {
  DownloadState state;
  DownloadWorker worker;
  // StartDownload decided that this item has no installer to start.
  bool nothingToStart = false;
};

#include "catalogue/download_worker.h"

#include <system_error>

#include "catalogue/transfer_file.h"
#include "platform/thread_priority.h"
#include "support/commands.h"
#include "support/desktop.h"
#include "support/log.h"

DownloadWorker::~DownloadWorker() {
  Abandon();
}

void DownloadWorker::Abandon() {
  if (!m_thread.joinable())
    return;
  m_abandon.store(true);
  m_thread.join();
}

void DownloadWorker::Start(DownloadState& state) {
  Join();
  m_abandon.store(false);
  state.transferred.store(false);
  try {
    m_thread = std::thread([&state, abandon = &m_abandon] {
      platform::LowerThisThreadsPriority();
      Run(state, abandon);
    });
  } catch (const std::system_error& error) {
    // No thread, no transfer; "Complete" still comes, so the workflow goes on.
    Log("download of %s not started: %s", state.url.c_str(), error.what());
    TheDesktop().PostCommand(cmd::kComplete);
  }
}

void DownloadWorker::Join() {
  if (m_thread.joinable())
    m_thread.join();
}

void DownloadWorker::Run(DownloadState& state, const std::atomic<bool>* abandon) {
  bool whole = false;
  try {
    whole = TransferFile(state.url, state.targetPath, state.byteCounter, abandon,
                         TransferBounds{state.maxBytes, state.deadlineSeconds, state.resumption});
  } catch (...) {
    // TransferFile reports its own failures; nothing may stop the post below.
    Log("download of %s ended unexpectedly", state.url.c_str());
  }
  state.transferred.store(whole);
  TheDesktop().PostCommand(cmd::kComplete);
}

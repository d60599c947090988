// An installer's transfer, or an information text's, on its own thread.
//
// DownloadState is the record the worker reads: the UI thread fills it while
// no worker runs, DownloadWorker::Start hands it over, and the worker's post
// of "Complete" is its last use of it. The worker writes only the byte counter
// (which the view's timer reads meanwhile) and, before that post, whether the
// file arrived whole.
//
// DownloadWorker owns at most one thread at a time: Start joins the previous
// transfer before it begins the next, so the one DownloadState never serves
// two transfers at once. Destroying the worker (the application ends)
// abandons a transfer still running and joins it: nothing is left running
// under freed memory, and closing never waits for a slow server. The UI
// thread owns and calls it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "catalogue/transfer_file.h"

struct DownloadState {
  // An HTTP URL, or "file::" followed by a path.
  std::string url;
  // The full path of the file to write.
  std::string targetPath;
  // The document's counter of bytes received; none: not counted.
  std::atomic<std::int32_t>* byteCounter = nullptr;
  // The most bytes the file may have.
  std::uint64_t maxBytes = kInstallerMostBytes;
  // Seconds for the whole fetch; 0: none beyond the stall rule.
  long deadlineSeconds = 0;
  // How a transfer that ends early is taken up again.
  Resumption resumption = Resumption::kNone;
  // Whether the last transfer delivered the whole file; set by the worker
  // before it posts "Complete".
  std::atomic<bool> transferred{false};
};

class DownloadWorker {
 public:
  DownloadWorker() = default;
  ~DownloadWorker();
  DownloadWorker(const DownloadWorker&) = delete;
  DownloadWorker& operator=(const DownloadWorker&) = delete;

  // Waits for the previous transfer, then starts `state`'s on a thread below
  // normal priority. `state` must stay untouched until "Complete" arrives.
  // Never throws: when no thread can be made, that is logged and "Complete"
  // posted with `transferred` false.
  void Start(DownloadState& state);

  // Waits until the current transfer (if any) has posted "Complete".
  void Join();
  // Tells the current transfer (if any) to stop, then joins it.
  void Abandon();

  bool Running() const { return m_thread.joinable(); }

  // The thread's work, for any thread: TransferFile on the record, the
  // outcome into `transferred`, then "Complete" to the main window whatever
  // that outcome.
  static void Run(DownloadState& state, const std::atomic<bool>* abandon = nullptr);

 private:
  std::thread m_thread;
  std::atomic<bool> m_abandon{false};
};

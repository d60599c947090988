// The document's one transfer at a time: the worker that fetches an item's
// installer (or an information text), what the progress dialog shows of it
// (bytes received, size, title), and where the item under way goes (the
// folder and the command that will start it).
//
// A transfer is prepared, then started; the worker posts "Complete" when it
// ends, whatever the outcome, and the session is joined before the file is
// used. Preparing the next transfer waits for the one before, so the record
// the worker reads never serves two transfers. Destroying the session (the
// document ends) abandons a transfer still running: nothing is left running
// under freed memory, and closing never waits for a slow server.
//
// UI thread only, except that the worker adds to the byte counter, which
// BytesReceived reads at any time.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/download_worker.h"

// What one transfer fetches, and how.
struct TransferRequest {
  // An HTTP URL, or "file::" followed by a path.
  std::string url;
  std::string targetPath;
  // The worker counts what arrives into BytesReceived.
  bool counted = true;
  std::uint64_t maxBytes = kInstallerMostBytes;
  // Seconds for the whole fetch; 0: none beyond the stall rule.
  long deadlineSeconds = 0;
  Resumption resumption = Resumption::kNone;
  // The item's <Sha256> (<InfoSha256>) and how the user knows it, for the
  // check before the file is used.
  std::string expectedSha256;
  std::string name;
  // An information text to open, no installer.
  bool information = false;
  // The item has no installer to fetch or start.
  bool nothingToStart = false;
};

class TransferSession {
 public:
  TransferSession() = default;
  TransferSession(const TransferSession&) = delete;
  TransferSession& operator=(const TransferSession&) = delete;

  // Waits for the transfer before, then takes `request` (not started yet).
  void Prepare(TransferRequest request);
  // Fetches what was prepared, on the worker; "Complete" follows.
  void Start();
  // Waits until the transfer (if any) has posted "Complete".
  void Join();
  // Tells the transfer (if any) to stop, then waits for it.
  void Abandon();

  // The last transfer delivered the whole file (read after Join).
  bool Transferred() const { return m_state.transferred.load(); }
  bool Information() const { return m_request.information; }
  // The information text has been dealt with: the next "Complete" is an
  // installer's.
  void EndInformation() { m_request.information = false; }
  bool NothingToStart() const { return m_request.nothingToStart; }
  // The digest check of the file fetched (or, in the network Run mode, found
  // where it would have been fetched to). `removeOnFailure`: the file is
  // ours to remove when it fails.
  bool PassesCheck(bool digestRequired, bool removeOnFailure) const;

  // --- What the progress dialog shows ------------------------------------------
  std::int32_t BytesReceived() const { return m_bytesReceived.load(); }
  void CountBytes(std::size_t bytes);
  void ResetBytes() { m_bytesReceived.store(0); }
  // 0 when the size is unknown.
  std::int32_t SizeKB() const { return m_sizeKB; }
  void SetSizeKB(std::int32_t sizeKB) { m_sizeKB = sizeKB; }
  // The dialog's title.
  const std::string& Status() const { return m_status; }
  void SetStatus(std::string status) { m_status = std::move(status); }

  // --- The item under way ------------------------------------------------------
  // Where installers are fetched to (and started in); empty until the first.
  const std::string& Folder() const { return m_folder; }
  void SetFolder(std::string folder) { m_folder = std::move(folder); }
  // The command that starts the item's installer.
  const std::string& Command() const { return m_command; }
  void SetCommand(std::string command) { m_command = std::move(command); }

 private:
  TransferRequest m_request;
  // Written by the worker while a transfer runs, read by the view's timer.
  std::atomic<std::int32_t> m_bytesReceived{0};
  std::int32_t m_sizeKB = 0;
  std::string m_status;
  std::string m_folder;
  std::string m_command;
  DownloadState m_state;
  // Last: destroyed first, so the worker is let go before what it writes.
  DownloadWorker m_worker;
};

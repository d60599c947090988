// The HTTP half of TransferFile: the tries of one transfer, each taking up
// the file where the last one left it, within the bounds over the whole file.
//
// It tells the user nothing itself (TransferFile turns the outcome into the
// message); it logs each try again ("resuming <url> at <N> bytes") and why
// the one before ended. Threads: whichever runs the transfer.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>

#include "catalogue/transfer_file.h"

enum class HttpTransferOutcome {
  kWhole,      // the target now holds the whole file
  kAbandoned,  // `abandon` was set
  kRefused,    // the sign-in was cancelled or refused again
  kFailed,     // the server or the network failed it; `reason` says how
  kNotSaved,   // the file could not be written here; `reason` is "step: reason"
};

struct HttpTransferResult {
  HttpTransferOutcome outcome = HttpTransferOutcome::kFailed;
  std::string reason;
};

// `source` is the URL as written (for the log), `target` the host path.
HttpTransferResult TransferOverHttp(const std::string& source, const std::filesystem::path& target,
                                    std::atomic<std::int32_t>* byteCounter,
                                    const std::atomic<bool>* abandon, const TransferBounds& bounds);

#include "catalogue/transfer_file.h"

#include <cstdlib>
#include <exception>
#include <limits>
#include <string_view>
#include <vector>

#include "catalogue/http_transfer.h"
#include "platform/file_reader.h"
#include "platform/host_path.h"
#include "platform/replacement_file.h"
#include "support/desktop.h"
#include "support/log.h"
#include "support/settings.h"

namespace {

constexpr std::string_view kLocalPrefix = "file::";
constexpr char kAccessDenied[] = "Access denied: Invalid password";
constexpr std::size_t kCopyChunkBytes = 64 * 1024;

bool Abandoned(const std::atomic<bool>* abandon) {
  return abandon != nullptr && abandon->load();
}

bool Fail(const std::string& source, const std::string& reason) {
  Log("download of %s failed: %s", source.c_str(), reason.c_str());
  TheDesktop().MessageBox(DownloadFailedMessage(source));
  return false;
}

// The file could not be written here (a missing, read-only or full folder):
// the network is not to blame, and the user is told where and why.
// `fileError` is ReplacementFile's "step: reason".
bool FailHere(const std::string& source, const std::string& targetPath,
              const std::string& fileError) {
  const std::size_t slash = targetPath.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? "." : targetPath.substr(0, slash);
  const std::size_t step = fileError.find(": ");
  const std::string reason = step == std::string::npos ? fileError : fileError.substr(step + 2);
  Log("download of %s failed: %s could not be written: %s", source.c_str(), folder.c_str(),
      fileError.c_str());
  TheDesktop().MessageBox(SaveFailedMessage(source, folder, reason));
  return false;
}

bool Refuse(const std::string& source) {
  Log("download of %s refused: %s", source.c_str(), kAccessDenied);
  TheDesktop().MessageBox(kAccessDenied);
  return false;
}

bool GiveUp(const std::string& source) {
  Log("download of %s abandoned", source.c_str());
  return false;
}

// A "file::" source. The user is told first; a failed copy is only logged.
bool CopyLocalFile(const std::string& source, const std::string& targetPath,
                   const std::atomic<bool>* abandon, std::uint64_t maxBytes) {
  const std::string copySource = source.substr(kLocalPrefix.size());
  TheDesktop().MessageBox("downloading...");

  auto fail = [&](const std::string& reason) {
    Log("copy of %s failed: %s", copySource.c_str(), reason.c_str());
    return false;
  };
  platform::FileReader in(platform::HostPath(copySource));
  if (!in.IsOpen())
    return fail(in.Error());
  platform::ReplacementFile target(platform::HostPath(targetPath));
  // A copy is no more readable than its source (CopyFileA keeps a file's
  // attributes too); the set-id bits of someone else's file are not copied.
  const auto original = in.Status();
  bool ok = target.Open() && original && target.SetPermissions(original->permissions);
  std::vector<char> buffer(kCopyChunkBytes);
  std::uint64_t copied = 0;
  while (ok) {
    const auto got = in.Read(buffer.data(), buffer.size());
    if (!got)
      return fail(in.Error());
    if (*got == 0 || Abandoned(abandon))
      break;
    copied += *got;
    if (copied > maxBytes)
      return fail(FormatText("larger than %llu bytes", static_cast<unsigned long long>(maxBytes)));
    ok = target.Write(buffer.data(), *got);
  }
  if (Abandoned(abandon))
    return GiveUp(source);
  if (!ok || !target.Commit())
    return fail(target.Error());
  return true;
}

bool FetchOverHttp(const std::string& source, const std::string& targetPath,
                   std::atomic<std::int32_t>* byteCounter, const std::atomic<bool>* abandon,
                   const TransferBounds& bounds) {
  const HttpTransferResult result =
      TransferOverHttp(source, platform::HostPath(targetPath), byteCounter, abandon, bounds);
  switch (result.outcome) {
    case HttpTransferOutcome::kWhole:
      return true;
    case HttpTransferOutcome::kAbandoned:
      return GiveUp(source);
    case HttpTransferOutcome::kRefused:
      return Refuse(source);
    case HttpTransferOutcome::kNotSaved:
      return FailHere(source, targetPath, result.reason);
    case HttpTransferOutcome::kFailed:
      break;
  }
  return Fail(source, result.reason);
}

}  // namespace

// Every request asks for the bytes as they are, names the updater, and wants
// the origin server's copy, never a cache's.
std::vector<std::string> TransferRequestHeaders() {
  return {"Accept: */*", "User-Agent: Ostrel", "Cache-Control: no-cache", "Pragma: no-cache"};
}

TransferBounds TransferBounds::ForCatalogue() {
  TransferBounds bounds{kTextMostBytes, kCatalogueDeadlineSeconds};
  if (const char* text = std::getenv("OSTREL_CATALOGUE_DEADLINE"); text != nullptr) {
    char* end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    if (*text != '\0' && *end == '\0' && seconds > 0)
      bounds.deadlineSeconds = seconds;
  }
  return bounds;
}

std::string DownloadFailedMessage(const std::string& source) {
  return FormatText(
      "Download from %s failed. Please make sure your firewall allows %s\\update.exe to access the "
      "internet. Alternatively visit %s and download from there.",
      source.c_str(), GetInstallFolder().c_str(), kVendorWebSite);
}

std::string SaveFailedMessage(const std::string& source, const std::string& folder,
                              const std::string& reason) {
  return FormatText("The download from %s could not be saved in %s: %s.", source.c_str(),
                    folder.c_str(), reason.c_str());
}

void AddToByteCounter(std::atomic<std::int32_t>& counter, std::size_t bytes) {
  constexpr std::int64_t kMost = std::numeric_limits<std::int32_t>::max();
  const std::int64_t now = counter.load(std::memory_order_relaxed);
  const std::int64_t room = kMost - now;
  const std::int64_t added = bytes >= static_cast<std::size_t>(room) ? room : std::int64_t(bytes);
  counter.store(static_cast<std::int32_t>(now + added), std::memory_order_relaxed);
}

bool TransferFile(const std::string& source, const std::string& targetPath,
                  std::atomic<std::int32_t>* byteCounter, const std::atomic<bool>* abandon,
                  const TransferBounds& bounds) {
  Log("downloading %s to %s", source.c_str(), targetPath.c_str());
  try {
    if (source.compare(0, kLocalPrefix.size(), kLocalPrefix) == 0)
      return CopyLocalFile(source, targetPath, abandon, bounds.maxBytes);
    return FetchOverHttp(source, targetPath, byteCounter, abandon, bounds);
  } catch (const std::exception& error) {
    return Fail(source, error.what());
  } catch (...) {
    return Fail(source, "unexpected failure");
  }
}

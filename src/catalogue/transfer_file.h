// TransferFile: the one routine that fetches or copies every file the updater
// needs: the catalogue, an item's information text, each installer.
//
// A source that starts with exactly "file::" is a local or network path: the
// user is told "downloading..." (and must press OK), then the file is copied.
// Any other source is an HTTP(S) URL, fetched with fixed headers, a fresh copy
// from the origin server, one sign-in prompt on a server's 401 and one on a
// proxy's 407 (catalogue/sign_in.h), and the body counted into the byte
// counter as it arrives.
//
// Promises:
// - the target is replaced only by a file that arrived whole; a failed,
//   refused or abandoned transfer leaves an earlier target as it was and no
//   partial file (the bytes go to a temporary file beside the target), but
//   for an installer's partial kept for the next run (partial_download.h);
// - an installer's transfer that ends early (a reset, a server restarting, a
//   stall) is asked again from where the file ended (Range, If-Range naming
//   the first answer's validator), after waits of 1, 2, 4, 8 and 16 s; the
//   count starts again after a try that brought the file on by 1,024 bytes
//   or more (a link that drops now and then still delivers). A 206 that
//   continues the file at its end carries on; a whole answer (a server
//   without ranges, a file changed since) starts it over. Catalogues and
//   texts get one try;
// - an HTTP source is requested as RequestUrl makes it: blanks and other
//   characters a URL may not carry are encoded; messages and the log name
//   the source as written;
// - only a 2xx answer is saved; an error page never becomes the file;
// - failures are told to the user in one message box ("Access denied:
//   Invalid password" after a refused login, the save-failed message when the
//   target's folder is missing, read-only or full, the download-failed
//   message for everything else over HTTP); a failed local copy is only
//   logged;
// - the result says whether the file arrived whole, so that nobody starts an
//   installer whose transfer failed;
// - bounded (TransferBounds): a file over its size cap, a server that sends
//   fewer than 1,024 bytes in 60 s, or a fetch past its deadline fails, and
//   nothing of it is kept.
//
// Threads: the UI thread (the catalogue, no counter) and the download worker
// (installers, with the document's counter, and information texts). It
// blocks its thread until the transfer has ended, including any message box
// it shows.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The vendor's web site, offered in the failure message as the other way to
// get an update.
inline constexpr char kVendorWebSite[] = "www.ostrel.co.uk";

// Catalogues and information texts are small: anything bigger is not one.
inline constexpr std::uint64_t kTextMostBytes = 16ull * 1024 * 1024;
// No installer is bigger than this, whatever its item declares.
inline constexpr std::uint64_t kInstallerMostBytes = 4ull * 1024 * 1024 * 1024;
// The catalogue fetch at start-up holds the window back: it must end within this.
inline constexpr long kCatalogueDeadlineSeconds = 30;

// How a transfer that ends early is taken up again (HTTP only).
enum class Resumption {
  kNone,        // one try: catalogues, signatures, information texts
  kWithinRun,   // up to five more tries, each from where the file ended
  kAcrossRuns,  // the same, and a partial with a validator is kept for the next run
};

// How far a transfer may go: its size, its time, and its tries.
struct TransferBounds {
  std::uint64_t maxBytes = kInstallerMostBytes;
  // Seconds for the whole fetch (HTTP only); 0: none beyond the stall rule.
  long deadlineSeconds = 0;
  Resumption resumption = Resumption::kNone;
  // The wait before the first try again; each next one waits twice as long.
  std::chrono::milliseconds firstWait{1000};

  // A catalogue at start-up: kTextMostBytes within kCatalogueDeadlineSeconds,
  // or within OSTREL_CATALOGUE_DEADLINE (whole seconds) where the environment
  // gives it, for tests.
  static TransferBounds ForCatalogue();
  // An item's information text.
  static TransferBounds ForText() { return {kTextMostBytes, 0}; }
};

// `targetPath` is a Windows path (or a host path); `byteCounter`, when given,
// is set to 0 once the server's answer is accepted and then advanced by every
// byte received; only this routine writes it meanwhile. `abandon`, when given
// and set from another thread, ends the transfer soon, without any message:
// the application is closing.
bool TransferFile(const std::string& source, const std::string& targetPath,
                  std::atomic<std::int32_t>* byteCounter,
                  const std::atomic<bool>* abandon = nullptr, const TransferBounds& bounds = {});

// The header lines of every request the updater sends.
std::vector<std::string> TransferRequestHeaders();

// "Download from <source> failed. Please make sure your firewall allows
// <install folder>\update.exe to access the internet. Alternatively visit
// <vendor web site> and download from there."
std::string DownloadFailedMessage(const std::string& source);

// "The download from <source> could not be saved in <folder>: <the
// system's reason>."
std::string SaveFailedMessage(const std::string& source, const std::string& folder,
                              const std::string& reason);

// Adds `bytes` to a progress counter that only the calling thread writes;
// stops at INT32_MAX instead of wrapping to a negative count.
void AddToByteCounter(std::atomic<std::int32_t>& counter, std::size_t bytes);

// HTTP GET over libcurl: the host's stand-in for the platform's internet layer.
//
// A request names a URL, its header lines (a Range among them, for a
// transfer taken up again) and, on a retry, the credentials to send. The body
// of a successful (2xx) answer goes to a DownloadSink, chunk by chunk as it
// arrives, after its head (HttpHead); this code never opens a file and never
// knows whether the bytes end in a file, a counter or a test's buffer. The
// body of any other answer (an error page, a 401's text) is read and dropped.
//
// What every request gets:
// - only the header lines it names, besides Host; libcurl adds no
//   User-Agent, no Accept-Encoding, no Authorization unless asked to;
// - redirects followed, at most 10, to http and https only; credentials go
//   only to the host (and port) that they were given for, never along a
//   redirect to another;
// - proxies from the environment (http_proxy, https_proxy, no_proxy, ...) as
//   libcurl reads them; TLS certificates and host names verified;
// - no wait without end and no body without end: a connect timeout; a
//   transfer that receives fewer than 1,024 bytes in any low-speed time
//   (60 s) fails as stalled; an optional deadline for the whole request; an
//   optional cap on the body's size (HttpLimits). Error pages count against
//   the cap too, since their bytes are read as well.
//
// One HttpSession belongs to one thread at a time; its connection is kept
// alive from one Get to the next (a retry with credentials reuses it).
// Several sessions may run on different threads at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Runs libcurl's global set-up once; call it before any thread starts. Every
// HttpSession calls it too, so forgetting is safe where threads are not yet
// running.
void InitialiseHttp();

// What a 2xx answer says of its body before the body comes: enough to take
// up a transfer again from where it ended.
struct HttpHead {
  long status = 0;
  // The header values as sent (the ETag with its quotes); empty when absent.
  std::string etag;
  std::string lastModified;
  std::string contentRange;
  // Content-Length, when the answer gives it: the bytes of this answer.
  std::optional<std::uint64_t> contentLength;
};

// Where the body of a successful answer goes.
class DownloadSink {
 public:
  virtual ~DownloadSink() = default;
  // A 2xx answer's body starts (it may be empty). Called once per answer,
  // before any Add. False refuses the body: the transfer ends as failed.
  virtual bool Begin(const HttpHead&) { return true; }
  // The next bytes of the body; false ends the transfer as failed.
  virtual bool Add(const char* data, std::size_t size) = 0;
};

// Time and size limits; times in seconds.
struct HttpLimits {
  long connectTimeout = 30;
  // A transfer that receives fewer than kStallBytes in this long fails.
  long lowSpeedTime = 60;
  static constexpr std::uint64_t kStallBytes = 1024;
  // The whole request, redirects and all, must end within this; 0: no deadline.
  long deadline = 0;
  // A body (of any status) longer than this fails the request; 0: no cap.
  std::uint64_t maxBytes = 0;

  // The defaults, or OSTREL_CONNECT_TIMEOUT and OSTREL_LOW_SPEED_TIME (whole
  // positive seconds) where the environment gives them: for tests and for an
  // administrator behind a slow link.
  static HttpLimits FromEnvironment();
};

// Authentication schemes a server offers in its 401 answer, or a proxy in
// its 407 (bit mask).
enum HttpAuthScheme : unsigned {
  kAuthBasic = 1,
  kAuthDigest = 2,
  kAuthOther = 4,  // NTLM, Negotiate, ...
};

// The scheme named first in a challenge header's value ("Digest realm=...",
// blanks before it skipped): one HttpAuthScheme, or 0 when the value is too
// short to name any.
unsigned AuthSchemeOfChallenge(std::string_view value);

struct HttpCredentials {
  std::string user;
  std::string password;
};

struct HttpRequest {
  std::string url{};
  // Complete header lines without CR LF, "Name: value".
  std::vector<std::string> headers{};
  // Sent only with the schemes in authSchemes (those a 401 offered; none
  // known: Basic or Digest, whichever the server asks for).
  std::optional<HttpCredentials> credentials{};
  unsigned authSchemes = 0;
  // For the proxy, after its 407: sent only to the proxy, with the schemes
  // in proxyAuthSchemes (those the 407 offered).
  std::optional<HttpCredentials> proxyCredentials{};
  unsigned proxyAuthSchemes = 0;
  // Resend the request that the last Get of the session left challenged,
  // with what the system's sign-in dialog gave it (HttpSession::SignInBySystem).
  bool signedInBySystem = false;
  HttpLimits limits{};
  // When set to true from another thread, the transfer stops within about a
  // second and the answer says abandoned.
  const std::atomic<bool>* abandon = nullptr;
};

struct HttpAnswer {
  // Status line, headers and the whole body arrived (a body shorter than its
  // Content-Length, or a connection dropped in mid-body, is not complete).
  bool complete = false;
  bool abandoned = false;
  // The body went over HttpLimits::maxBytes; nothing of it may be kept.
  bool tooLarge = false;
  // The last status received; 0 when none came.
  long status = 0;
  // The URL that gave this answer, after any redirects.
  std::string url;
  // For a 401: the schemes its WWW-Authenticate lines offer; for a 407,
  // those of its Proxy-Authenticate lines.
  unsigned authSchemes = 0;
  // For a 407: the proxy that asked, "host:port".
  std::string proxySite;
  // Why the answer is not complete, in libcurl's words.
  std::string error;

  bool Succeeded() const { return complete && status >= 200 && status <= 299; }
};

class HttpSession {
 public:
  HttpSession();
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  // Sends the request and waits for the whole answer; a 2xx body goes to
  // `sink`. Never throws for network trouble: the answer tells.
  HttpAnswer Get(const HttpRequest& request, DownloadSink& sink);

  // The system's own sign-in dialog for the 401 or 407 that the last Get
  // ended with, owned by `window` (a native window handle, or null): true
  // when the user signed in; a Get with signedInBySystem then resends that
  // request with what the system now holds. False when the user cancelled,
  // and where the platform has no such dialog (libcurl). On the session's
  // thread, or on the UI thread while that one waits for the answer.
  bool SignInBySystem(void* window);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

// The server part of a URL, for a prompt: "host", or "host:port" when the
// URL names a port. The URL itself when it cannot be read.
std::string SiteOf(std::string_view url);

}  // namespace platform

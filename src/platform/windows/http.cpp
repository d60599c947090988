#include "platform/http.h"

#include <windows.h>
//
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "http_login.h"
#include "platform/stall_window.h"
#include "wide_text.h"

// The same outcomes and bounds come from the Windows Internet
// functions, with the system's proxy settings and certificate store, and the
// system answers what challenges it can by itself: single sign-on (NTLM,
// Negotiate) with the user's own logon, and credentials it keeps.

// The Windows Internet functions, with the same outcomes and bounds as the
// libcurl build. Differences that belong to the platform: proxies are the
// system's (the user's Internet settings) instead of http_proxy and friends;
// certificates are checked against the system's store; WinINet itself adds
// "Connection: Keep-Alive" and the no-cache lines that a reload asks for;
// the reasons in HttpAnswer::error are the system's sentences.
//
// Redirects are followed here, not by WinINet, so that only http and https
// are followed and credentials go only to the host and port they were given
// for. The body is read as it arrives, in waits of at most a second (a wait
// that times out is simply tried again), and the bounds (abandonment, the
// deadline, the stall window) are checked between them. Closing a handle
// from another thread would end a wait sooner on Windows, but under Wine it
// neither ends the wait nor is safe while the handle is in use. Until the
// answer's head has come, the system's own time-outs (connect, and the stall
// time for sending and receiving) bound the wait.

namespace platform {

namespace {

constexpr DWORD kReceiveBufferBytes = 128 * 1024;
constexpr int kMaxRedirects = 10;
constexpr auto kReadWait = std::chrono::milliseconds(1000);

std::string InternetErrorText(DWORD code) {
  static const HMODULE wininet = ::GetModuleHandleW(L"wininet.dll");
  if (code >= INTERNET_ERROR_BASE && code <= INTERNET_ERROR_LAST)
    return SystemErrorText(code, wininet);
  return SystemErrorText(code);
}

struct Url {
  bool secure = false;
  std::wstring scheme;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring object;  // path and query
};

std::optional<Url> CrackUrl(const std::wstring& text) {
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = 1;
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  if (!::InternetCrackUrlW(text.c_str(), static_cast<DWORD>(text.size()), 0, &parts))
    return std::nullopt;
  Url url;
  url.scheme.assign(parts.lpszScheme, parts.dwSchemeLength);
  url.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  url.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  url.port = parts.nPort;
  url.object.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  url.object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  // A fragment names a place in the page, not a part of the request.
  url.object = url.object.substr(0, url.object.find(L'#'));
  if (url.object.empty())
    url.object = L"/";
  return url;
}

std::optional<std::wstring> QueryText(HINTERNET request, DWORD what, DWORD* index = nullptr) {
  DWORD size = 0;
  ::HttpQueryInfoW(request, what, nullptr, &size, index);
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
    return std::nullopt;
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  if (!::HttpQueryInfoW(request, what, text.data(), &size, index))
    return std::nullopt;
  text.resize(size / sizeof(wchar_t));
  return text;
}

std::optional<std::uint64_t> QueryNumber(HINTERNET request, DWORD what) {
  const auto text = QueryText(request, what);
  if (!text || text->empty())
    return std::nullopt;
  wchar_t* end = nullptr;
  const unsigned long long value = std::wcstoull(text->c_str(), &end, 10);
  if (end == text->c_str())
    return std::nullopt;
  return value;
}

// What the answer on `request` says of its body.
HttpHead HeadOf(HINTERNET request, long status) {
  HttpHead head;
  head.status = status;
  const auto text = [request](DWORD what) {
    const auto value = QueryText(request, what);
    return value ? Cp1252FromWide(*value) : std::string();
  };
  head.etag = text(HTTP_QUERY_ETAG);
  head.lastModified = text(HTTP_QUERY_LAST_MODIFIED);
  head.contentRange = text(HTTP_QUERY_CONTENT_RANGE);
  head.contentLength = QueryNumber(request, HTTP_QUERY_CONTENT_LENGTH);
  return head;
}

bool IsRedirect(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::optional<std::wstring> Resolve(const std::wstring& base, const std::wstring& location) {
  DWORD size = 0;
  ::InternetCombineUrlW(base.c_str(), location.c_str(), nullptr, &size, ICU_NO_ENCODE);
  if (size == 0)
    return std::nullopt;
  std::wstring combined(size + 1, L'\0');
  size = static_cast<DWORD>(combined.size());
  if (!::InternetCombineUrlW(base.c_str(), location.c_str(), combined.data(), &size, ICU_NO_ENCODE))
    return std::nullopt;
  combined.resize(size);
  return combined;
}

void SetTimeout(HINTERNET handle, DWORD option, long seconds) {
  DWORD milliseconds = static_cast<DWORD>(seconds) * 1000;
  ::InternetSetOptionW(handle, option, &milliseconds, sizeof milliseconds);
}

// The bounds of one request over time: abandonment, the deadline and the
// stall window, checked between the waits of at most a second that every
// read is made of.
class Bounds {
 public:
  enum class Reason { None, Abandoned, Stalled, Deadline };
  using Clock = std::chrono::steady_clock;

  explicit Bounds(const HttpRequest& request)
      : m_abandon(request.abandon),
        m_deadline(request.limits.deadline > 0
                       ? std::optional(Clock::now() + std::chrono::seconds(request.limits.deadline))
                       : std::nullopt) {
    m_stall.Start(std::chrono::seconds(request.limits.lowSpeedTime));
  }

  void Arrived(std::uint64_t bytes) { m_stall.Arrived(bytes); }

  // Why the request must end now; once a reason is found it stays.
  Reason Check() {
    if (m_reason != Reason::None)
      return m_reason;
    if (m_abandon != nullptr && m_abandon->load())
      m_reason = Reason::Abandoned;
    else if (m_deadline && Clock::now() >= *m_deadline)
      m_reason = Reason::Deadline;
    else if (m_stall.Stalled())
      m_reason = Reason::Stalled;
    return m_reason;
  }

  Reason Ended() const { return m_reason; }

 private:
  const std::atomic<bool>* m_abandon;
  const std::optional<Clock::time_point> m_deadline;
  StallWindow m_stall;
  Reason m_reason = Reason::None;
};

// The session handle, shared with any request still being let go of.
using SessionHandle = std::shared_ptr<void>;

// The handles of the hop under way, closed when the next replaces them and
// at the end.
class Handles {
 public:
  explicit Handles(SessionHandle session) : m_session(std::move(session)) {}
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;
  ~Handles() { Adopt(nullptr, nullptr); }

  void Adopt(HINTERNET connection, HINTERNET request) {
    if (m_request != nullptr)
      ::InternetCloseHandle(m_request);
    if (m_connection != nullptr && m_connection != connection)
      ::InternetCloseHandle(m_connection);
    m_connection = connection;
    m_request = request;
  }

  // Hands the handles over, open, to whoever keeps them next.
  std::pair<HINTERNET, HINTERNET> Release() {
    return {std::exchange(m_connection, nullptr), std::exchange(m_request, nullptr)};
  }

  // For a body not read to its end. Wine's close reads the rest of it first
  // (to keep the connection), which for an abandoned installer may take as
  // long as the transfer itself: that is left to a thread of its own, which
  // keeps the session open until it is done.
  void CloseInBackground() {
    if (m_request == nullptr && m_connection == nullptr)
      return;
    std::thread([session = m_session, connection = std::exchange(m_connection, nullptr),
                 request = std::exchange(m_request, nullptr)] {
      if (request != nullptr)
        ::InternetCloseHandle(request);
      if (connection != nullptr)
        ::InternetCloseHandle(connection);
    }).detach();
  }

 private:
  SessionHandle m_session;
  HINTERNET m_connection = nullptr;
  HINTERNET m_request = nullptr;
};

// A request whose answer was a challenge (401, 407), its body read, kept
// open until the session's next Get: the system's sign-in dialog stores what
// the user gives on it, and a resend of it answers the challenge.
struct Challenged {
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;
  std::wstring url;
  bool proxy = false;
  unsigned schemes = 0;

  void Close() {
    if (request != nullptr)
      ::InternetCloseHandle(request);
    if (connection != nullptr)
      ::InternetCloseHandle(connection);
    *this = Challenged{};
  }
};

}  // namespace

void InitialiseHttp() {}

struct HttpSession::Impl {
  ~Impl() { challenged.Close(); }

  // Connections are kept alive within this handle, from one Get to the next.
  SessionHandle internet;
  Challenged challenged;
};

HttpSession::HttpSession() : m_impl(std::make_unique<Impl>()) {
  // No agent name: the request carries only the header lines it names.
  if (const HINTERNET internet =
          ::InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0))
    m_impl->internet = SessionHandle(internet, ::InternetCloseHandle);
}

HttpSession::~HttpSession() = default;

namespace {

// One request, hop by hop, within its bounds.
class Exchange {
 public:
  Exchange(const SessionHandle& session, const HttpRequest& request, DownloadSink& sink,
           HttpAnswer& answer)
      : m_internet(session.get()),
        m_request(request),
        m_sink(sink),
        m_answer(answer),
        m_bounds(request),
        m_handles(session),
        m_credentials(request.credentials),
        m_authSchemes(request.authSchemes) {}

  // `resend`: the challenged request that the system's sign-in dialog
  // answered, to be sent again; its handles become the exchange's.
  void Run(Challenged resend);
  Bounds::Reason EndedBy() const { return m_bounds.Ended(); }
  void LetGo() { m_handles.CloseInBackground(); }
  // The answer's request, when the answer is a challenge.
  Challenged KeepChallenged();

  bool tooLarge = false;
  bool sinkRefused = false;

 private:
  // Who answers a server's challenge: the system, with whatever it holds
  // (single sign-on, what its dialog was given, the credentials set on the
  // request), or this code, with the given credentials (Basic, and the Digest
  // that Wine's Internet functions cannot make).
  enum class Answerer { kSystem, kUs };

  // Sends a fresh request to `url`; the status, or nullopt.
  std::optional<long> SendFresh(HINTERNET connection, const Url& url, bool login,
                                HINTERNET& request);
  // Resends the request the system's dialog answered; the status, or nullopt.
  std::optional<long> SendSignedIn(Challenged& resend, std::wstring& url);
  // Reads and hands on (2xx) or drops (any other) the body; true when it came whole.
  bool ReadBody(HINTERNET request, bool keep);
  // A GET request on the connection, with the request's header lines and the
  // credentials the system is to answer challenges with. nullptr (and the
  // error said) when it cannot be made.
  HINTERNET Open(HINTERNET connection, const Url& url, Answerer answerer, bool login);
  // Sends (again); the status, or nullopt when nothing came back.
  std::optional<long> Send(HINTERNET request);
  void AddHeader(HINTERNET request, const std::string& line);
  std::vector<std::string> Challenges(HINTERNET request, DWORD header);

  HINTERNET m_internet;
  const HttpRequest& m_request;
  DownloadSink& m_sink;
  HttpAnswer& m_answer;
  Bounds m_bounds;
  Handles m_handles;
  // The server's credentials: the request's, or what the system's dialog
  // was given for a Digest challenge.
  std::optional<HttpCredentials> m_credentials;
  unsigned m_authSchemes;
  bool m_challenged = false;
  std::wstring m_lastUrl;
  std::uint64_t m_bodyBytes = 0;
};

bool Exchange::ReadBody(HINTERNET request, bool keep) {
  const auto declared = QueryNumber(request, HTTP_QUERY_CONTENT_LENGTH);
  const std::uint64_t cap = m_request.limits.maxBytes;
  // A declared length over the cap fails before any of the body is read.
  if (cap != 0 && declared && m_bodyBytes + *declared > cap) {
    tooLarge = true;
    return false;
  }
  std::vector<char> buffer(kReceiveBufferBytes);
  std::uint64_t received = 0;
  bool begun = false;
  for (;;) {
    if (m_bounds.Check() != Bounds::Reason::None)
      return false;
    // A read waits until its whole size has come; asking first for what is
    // there lets every chunk reach the sink, and the bounds, as it arrives.
    DWORD available = 0;
    if (!::InternetQueryDataAvailable(request, &available, 0, 0)) {
      const DWORD error = ::GetLastError();
      // Wine reports the winsock code.
      if (error == ERROR_INTERNET_TIMEOUT || error == WSAETIMEDOUT)
        continue;
      m_answer.error = InternetErrorText(error);
      return false;
    }
    DWORD got = 0;
    const DWORD wanted = available == 0 ? 1 : std::min(available, kReceiveBufferBytes);
    if (!::InternetReadFile(request, buffer.data(), wanted, &got)) {
      m_answer.error = InternetErrorText(::GetLastError());
      return false;
    }
    if (got == 0)
      break;
    m_bounds.Arrived(got);
    received += got;
    m_bodyBytes += got;
    if (cap != 0 && m_bodyBytes > cap) {
      tooLarge = true;
      return false;
    }
    if (!keep)
      continue;
    try {
      if (!begun) {
        begun = true;
        if (!m_sink.Begin(HeadOf(request, m_answer.status))) {
          sinkRefused = true;
          return false;
        }
      }
      if (!m_sink.Add(buffer.data(), got)) {
        sinkRefused = true;
        return false;
      }
    } catch (...) {
      sinkRefused = true;
      return false;
    }
  }
  // WinINet ends a body that the server cut short as if it were whole.
  if (declared && received < *declared) {
    m_answer.error =
        "transfer closed with " + std::to_string(*declared - received) + " bytes remaining to read";
    return false;
  }
  if (keep && !begun && !m_sink.Begin(HeadOf(request, m_answer.status))) {
    sinkRefused = true;
    return false;
  }
  return true;
}

HINTERNET Exchange::Open(HINTERNET connection, const Url& url, Answerer answerer, bool login) {
  // No INTERNET_FLAG_NO_UI and, unless this code answers, no
  // INTERNET_FLAG_NO_AUTH: the system answers what it can by itself, the
  // single sign-on to intranet servers and proxies that offices rely on
  // above all. A challenge it cannot answer comes back as it is.
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_AUTO_REDIRECT |
                INTERNET_FLAG_NO_COOKIES;
  if (url.secure)
    flags |= INTERNET_FLAG_SECURE;
  if (answerer == Answerer::kUs)
    flags |= INTERNET_FLAG_NO_AUTH;
  // Wine drops an Accept line added as a header; given as the accepted types
  // it is sent as the Linux build sends it.
  const wchar_t* acceptTypes[] = {L"*/*", nullptr};
  const HINTERNET request = ::HttpOpenRequestW(connection, L"GET", url.object.c_str(), nullptr,
                                               nullptr, acceptTypes, flags, 0);
  const DWORD openError = ::GetLastError();
  m_handles.Adopt(connection, request);
  if (request == nullptr) {
    m_answer.error = InternetErrorText(openError);
    return nullptr;
  }
  SetTimeout(request, INTERNET_OPTION_CONNECT_TIMEOUT, m_request.limits.connectTimeout);
  // Until the answer's head has come, a silent server is a stalled one.
  SetTimeout(request, INTERNET_OPTION_RECEIVE_TIMEOUT, m_request.limits.lowSpeedTime);
  SetTimeout(request, INTERNET_OPTION_SEND_TIMEOUT, m_request.limits.lowSpeedTime);
  for (const std::string& line : m_request.headers)
    AddHeader(request, line);
  const auto give = [request](DWORD option, const std::string& text) {
    std::wstring wide = WideFromCp1252(text);
    ::InternetSetOptionW(request, option, wide.data(), static_cast<DWORD>(wide.size()));
  };
  if (login && answerer == Answerer::kSystem) {
    give(INTERNET_OPTION_USERNAME, m_credentials->user);
    give(INTERNET_OPTION_PASSWORD, m_credentials->password);
  }
  if (m_request.proxyCredentials) {
    give(INTERNET_OPTION_PROXY_USERNAME, m_request.proxyCredentials->user);
    give(INTERNET_OPTION_PROXY_PASSWORD, m_request.proxyCredentials->password);
  }
  return request;
}

std::optional<long> Exchange::Send(HINTERNET request) {
  if (request == nullptr || m_bounds.Check() != Bounds::Reason::None ||
      !::HttpSendRequestW(request, nullptr, 0, nullptr, 0))
    return std::nullopt;
  const auto status = QueryNumber(request, HTTP_QUERY_STATUS_CODE);
  return status ? static_cast<long>(*status) : 0;
}

void Exchange::AddHeader(HINTERNET request, const std::string& line) {
  const std::wstring header = WideFromCp1252(line) + L"\r\n";
  ::HttpAddRequestHeadersW(request, header.c_str(), static_cast<DWORD>(header.size()),
                           HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
}

std::vector<std::string> Exchange::Challenges(HINTERNET request, DWORD header) {
  std::vector<std::string> challenges;
  DWORD index = 0;
  while (const auto challenge = QueryText(request, header, &index))
    challenges.push_back(Cp1252FromWide(*challenge));
  return challenges;
}

std::optional<long> Exchange::SendFresh(HINTERNET connection, const Url& url, bool login,
                                        HINTERNET& request) {
  // Given credentials for a server that asks for Basic or Digest (or has not
  // said yet) are answered here; for any other scheme the system answers
  // with them.
  const bool ours = login && (m_authSchemes == 0 || (m_authSchemes & (kAuthBasic | kAuthDigest)));
  // A known Basic login goes with the first request, as libcurl sends it.
  const bool basicFirst = login && m_authSchemes == kAuthBasic;
  request = Open(connection, url, ours ? Answerer::kUs : Answerer::kSystem, login);
  if (request != nullptr && basicFirst)
    AddHeader(request, "Authorization: " + BasicAuthorization(*m_credentials));
  auto status = Send(request);
  if (ours && status == 401) {
    const auto answer = AuthorizationFor(Challenges(request, HTTP_QUERY_WWW_AUTHENTICATE),
                                         *m_credentials, Cp1252FromWide(url.object));
    if (answer && !(basicFirst && answer->starts_with("Basic "))) {
      ReadBody(request, false);
      AddHeader(request, "Authorization: " + *answer);
      status = Send(request);
    }
  } else if ((status == 401 && login) || (status == 407 && m_request.proxyCredentials)) {
    // The system answers a challenge on the send after the one that met it.
    ReadBody(request, false);
    status = Send(request);
  }
  return status;
}

std::optional<long> Exchange::SendSignedIn(Challenged& resend, std::wstring& url) {
  url = resend.url;
  m_handles.Adopt(resend.connection, resend.request);
  const HINTERNET request = std::exchange(resend, Challenged{}).request;
  return Send(request);
}

Challenged Exchange::KeepChallenged() {
  if (!m_challenged || !m_answer.complete)
    return {};
  Challenged kept;
  std::tie(kept.connection, kept.request) = m_handles.Release();
  kept.url = m_lastUrl;
  kept.proxy = m_answer.status == 407;
  kept.schemes = m_answer.authSchemes;
  return kept;
}

void Exchange::Run(Challenged resend) {
  // Whatever of the resend is not handed over goes with the exchange.
  struct CloseLeft {
    Challenged& left;
    ~CloseLeft() { left.Close(); }
  } closeLeft{resend};
  std::wstring url = WideFromCp1252(m_request.url);
  // A server's Digest challenge is answered here even after the system's
  // dialog, with what the user gave it: Wine's Internet functions know no
  // Digest. Every other challenge the dialog answered is resent to the system.
  if (resend.request != nullptr && !resend.proxy && (resend.schemes & kAuthDigest)) {
    if (auto given = CredentialsOnRequest(resend.request)) {
      m_credentials = std::move(given);
      m_authSchemes = resend.schemes;
      url = resend.url;
    }
    resend.Close();
  }
  const auto origin = CrackUrl(url);
  for (int redirects = 0;; ++redirects) {
    const auto parts = CrackUrl(url);
    if (!parts) {
      m_answer.error = "URL using bad/illegal format or missing URL";
      return;
    }
    if (parts->scheme != L"http" && parts->scheme != L"https") {
      m_answer.error = "Protocol \"" + Cp1252FromWide(parts->scheme) + "\" not supported";
      return;
    }
    HINTERNET request = nullptr;
    std::optional<long> status;
    if (resend.request != nullptr) {
      request = resend.request;
      status = SendSignedIn(resend, url);
    } else {
      // Credentials go to the host and port they were given for, and nowhere else.
      const bool sameSite = origin &&
                            ::CompareStringOrdinal(parts->host.c_str(), -1, origin->host.c_str(),
                                                   -1, TRUE) == CSTR_EQUAL &&
                            parts->port == origin->port && parts->secure == origin->secure;
      const HINTERNET connection =
          ::InternetConnectW(m_internet, parts->host.c_str(), parts->port, nullptr, nullptr,
                             INTERNET_SERVICE_HTTP, 0, 0);
      if (connection == nullptr) {
        m_answer.error = InternetErrorText(::GetLastError());
        return;
      }
      status = SendFresh(connection, *parts, m_credentials && sameSite, request);
    }
    if (!status) {
      if (m_answer.error.empty())
        m_answer.error = InternetErrorText(::GetLastError());
      return;
    }
    // The body is read in short waits, so that the bounds are checked
    // between them even where closing the handle does not end a read.
    DWORD readWait = static_cast<DWORD>(kReadWait.count());
    ::InternetSetOptionW(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &readWait, sizeof readWait);
    m_answer.status = *status;
    m_answer.url = Cp1252FromWide(url);
    if (IsRedirect(m_answer.status)) {
      const auto location = QueryText(request, HTTP_QUERY_LOCATION);
      if (location) {
        if (redirects == kMaxRedirects) {
          // In steps: GCC 12 takes "..." + text for an overlapping copy (bug 105651).
          m_answer.error = "Maximum (";
          m_answer.error += std::to_string(kMaxRedirects);
          m_answer.error += ") redirects followed";
          return;
        }
        const auto next = Resolve(url, *location);
        if (!next) {
          m_answer.error = "the redirect to " + Cp1252FromWide(*location) + " cannot be followed";
          return;
        }
        url = *next;
        continue;
      }
    }
    m_challenged = m_answer.status == 401 || m_answer.status == 407;
    if (m_challenged) {
      const DWORD header =
          m_answer.status == 401 ? HTTP_QUERY_WWW_AUTHENTICATE : HTTP_QUERY_PROXY_AUTHENTICATE;
      for (const std::string& challenge : Challenges(request, header))
        m_answer.authSchemes |= AuthSchemeOfChallenge(challenge);
      if (m_answer.status == 407)
        m_answer.proxySite = ProxySiteOf(m_internet, parts->secure);
      m_lastUrl = url;
    }
    m_answer.complete = ReadBody(request, m_answer.status >= 200 && m_answer.status <= 299);
    return;
  }
}

}  // namespace

HttpAnswer HttpSession::Get(const HttpRequest& request, DownloadSink& sink) {
  HttpAnswer answer;
  answer.url = request.url;
  if (!m_impl->internet) {
    answer.error = "the internet layer could not be started";
    return answer;
  }
  Bounds::Reason ended = Bounds::Reason::None;
  bool tooLarge = false;
  bool sinkRefused = false;
  {
    // Only the Get right after a challenge may resend it; any other lets it go.
    Challenged last = std::exchange(m_impl->challenged, Challenged{});
    if (!request.signedInBySystem)
      last.Close();
    Exchange exchange(m_impl->internet, request, sink, answer);
    exchange.Run(last);
    ended = exchange.EndedBy();
    if (!answer.complete)
      exchange.LetGo();
    m_impl->challenged = exchange.KeepChallenged();
    tooLarge = exchange.tooLarge;
    sinkRefused = exchange.sinkRefused;
  }
  if (answer.complete)
    return answer;
  if (ended == Bounds::Reason::Abandoned) {
    answer.abandoned = true;
    answer.error = "abandoned";
  } else if (tooLarge) {
    answer.tooLarge = true;
    answer.error =
        "the answer is larger than " + std::to_string(request.limits.maxBytes) + " bytes";
  } else if (ended == Bounds::Reason::Stalled) {
    answer.error = "fewer than " + std::to_string(HttpLimits::kStallBytes) + " bytes arrived in " +
                   std::to_string(request.limits.lowSpeedTime) + " s";
  } else if (ended == Bounds::Reason::Deadline) {
    // In libcurl's words, as the Linux build logs it.
    answer.error = "Operation timed out after " + std::to_string(request.limits.deadline * 1000) +
                   " milliseconds";
  } else if (sinkRefused) {
    answer.error = "the received bytes could not be stored";
  } else if (answer.error.empty()) {
    answer.error = "the transfer ended early";
  }
  return answer;
}

bool HttpSession::SignInBySystem(void* window) {
  const Challenged& challenged = m_impl->challenged;
  return challenged.request != nullptr &&
         ShowSystemSignIn(challenged.request, static_cast<HWND>(window));
}

std::string SiteOf(std::string_view url) {
  const std::size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string_view::npos)
    return std::string(url);
  std::string_view authority = url.substr(schemeEnd + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
    authority.remove_prefix(at + 1);
  if (authority.empty())
    return std::string(url);
  return std::string(authority);
}

}  // namespace platform

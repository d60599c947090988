#include "platform/http.h"

#include <windows.h>
//
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "wide_text.h"

// The Windows Internet functions, with the same outcomes and bounds as the
// libcurl build. Differences that belong to the platform: proxies are the
// system's (the user's Internet settings) instead of http_proxy and friends;
// certificates are checked against the system's store; WinINet itself adds
// "Connection: Keep-Alive" and the no-cache lines that a reload asks for;
// the reasons in HttpAnswer::error are the system's sentences.
//
// Redirects are followed here, not by WinINet, so that only http and https
// are followed and credentials go only to the host and port they were given
// for. Time bounds are kept by a watchdog thread per request, which closes
// the request's handles to end a blocking call. Under Wine that does not
// end a read already waiting, so the body is read in waits of a second,
// and a wait that times out is simply tried again unless the watchdog has
// ended the request.

namespace platform {

namespace {

constexpr DWORD kReceiveBufferBytes = 128 * 1024;
constexpr int kMaxRedirects = 10;
constexpr auto kStallSampleInterval = std::chrono::seconds(1);
constexpr auto kWatchInterval = std::chrono::milliseconds(100);
constexpr auto kReadWait = std::chrono::milliseconds(1000);

long SecondsFromEnvironment(const char* name, long fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0')
    return fallback;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return (*end == '\0' && value > 0) ? value : fallback;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() &&
         ::CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

unsigned SchemeOfChallenge(std::wstring_view challenge) {
  while (!challenge.empty() && (challenge.front() == L' ' || challenge.front() == L'\t'))
    challenge.remove_prefix(1);
  if (StartsWithNoCase(challenge, L"Basic"))
    return kAuthBasic;
  if (StartsWithNoCase(challenge, L"Digest"))
    return kAuthDigest;
  return challenge.size() > 2 ? unsigned{kAuthOther} : 0u;
}

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

// What ends a request from outside, and the handles it closes to do so.
class Watchdog {
 public:
  enum class Reason { None, Abandoned, Stalled, Deadline };
  using Clock = std::chrono::steady_clock;

  Watchdog(const HttpRequest& request)
      : m_abandon(request.abandon),
        m_stallTime(std::chrono::seconds(request.limits.lowSpeedTime)),
        m_deadline(request.limits.deadline > 0
                       ? std::optional(Clock::now() + std::chrono::seconds(request.limits.deadline))
                       : std::nullopt),
        m_thread([this] { Watch(); }) {}

  ~Watchdog() {
    {
      std::lock_guard lock(m_mutex);
      m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    CloseHandles();
  }

  // Adopts the handles of the next hop, closing the previous ones. False
  // when the request has already been ended.
  bool Adopt(HINTERNET connection, HINTERNET request) {
    std::lock_guard lock(m_mutex);
    CloseHandlesLocked();
    m_connection = connection;
    m_request = request;
    if (m_reason != Reason::None) {
      CloseHandlesLocked();
      return false;
    }
    return true;
  }

  void Arrived(std::uint64_t bytes) { m_arrived += bytes; }

  Reason Ended() {
    std::lock_guard lock(m_mutex);
    return m_reason;
  }

 private:
  void CloseHandles() {
    std::lock_guard lock(m_mutex);
    CloseHandlesLocked();
  }

  void CloseHandlesLocked() {
    if (m_request != nullptr)
      ::InternetCloseHandle(std::exchange(m_request, nullptr));
    if (m_connection != nullptr)
      ::InternetCloseHandle(std::exchange(m_connection, nullptr));
  }

  bool StalledNow() {
    const auto now = Clock::now();
    const std::uint64_t arrived = m_arrived.load();
    if (now - m_samples.back().first >= kStallSampleInterval)
      m_samples.emplace_back(now, arrived);
    while (m_samples.size() >= 2 && m_samples[1].first <= now - m_stallTime)
      m_samples.pop_front();
    return m_samples.front().first <= now - m_stallTime &&
           arrived - m_samples.front().second < HttpLimits::kStallBytes;
  }

  void Watch() {
    m_samples.assign(1, {Clock::now(), 0});
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
      m_wake.wait_for(lock, kWatchInterval);
      if (m_stop)
        return;
      Reason reason = Reason::None;
      if (m_abandon != nullptr && m_abandon->load())
        reason = Reason::Abandoned;
      else if (m_deadline && Clock::now() >= *m_deadline)
        reason = Reason::Deadline;
      else if (StalledNow())
        reason = Reason::Stalled;
      if (reason != Reason::None) {
        m_reason = reason;
        CloseHandlesLocked();
        return;
      }
    }
  }

  const std::atomic<bool>* m_abandon;
  const std::chrono::seconds m_stallTime;
  const std::optional<Clock::time_point> m_deadline;
  std::atomic<std::uint64_t> m_arrived{0};
  std::deque<std::pair<Clock::time_point, std::uint64_t>> m_samples;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_stop = false;
  Reason m_reason = Reason::None;
  HINTERNET m_connection = nullptr;
  HINTERNET m_request = nullptr;
  std::thread m_thread;
};

}  // namespace

void InitialiseHttp() {}

HttpLimits HttpLimits::FromEnvironment() {
  HttpLimits limits;
  limits.connectTimeout = SecondsFromEnvironment("OSTREL_CONNECT_TIMEOUT", limits.connectTimeout);
  limits.lowSpeedTime = SecondsFromEnvironment("OSTREL_LOW_SPEED_TIME", limits.lowSpeedTime);
  return limits;
}

struct HttpSession::Impl {
  // Connections are kept alive within this handle, from one Get to the next.
  HINTERNET internet = nullptr;
};

HttpSession::HttpSession() : m_impl(std::make_unique<Impl>()) {
  // No agent name: the request carries only the header lines it names.
  m_impl->internet = ::InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
}

HttpSession::~HttpSession() {
  if (m_impl->internet != nullptr)
    ::InternetCloseHandle(m_impl->internet);
}

namespace {

// One request, hop by hop; the watchdog owns the handles.
class Exchange {
 public:
  Exchange(HINTERNET internet, const HttpRequest& request, DownloadSink& sink, HttpAnswer& answer)
      : m_internet(internet),
        m_request(request),
        m_sink(sink),
        m_answer(answer),
        m_watch(request) {}

  void Run();
  Watchdog::Reason EndedBy() { return m_watch.Ended(); }

  bool tooLarge = false;
  bool sinkRefused = false;

 private:
  // Reads and hands on (2xx) or drops (any other) the body; true when it came whole.
  bool ReadBody(HINTERNET request, bool keep);

  HINTERNET m_internet;
  const HttpRequest& m_request;
  DownloadSink& m_sink;
  HttpAnswer& m_answer;
  Watchdog m_watch;
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
    // A read waits until its whole size has come; asking first for what is
    // there lets every chunk reach the sink, and the watchdog, as it arrives.
    DWORD available = 0;
    if (!::InternetQueryDataAvailable(request, &available, 0, 0)) {
      const DWORD error = ::GetLastError();
      // Wine reports the winsock code.
      if ((error == ERROR_INTERNET_TIMEOUT || error == WSAETIMEDOUT) &&
          m_watch.Ended() == Watchdog::Reason::None)
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
    m_watch.Arrived(got);
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
        m_sink.Begin();
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
  if (keep && !begun)
    m_sink.Begin();
  return true;
}

void Exchange::Run() {
  const std::wstring first = WideFromCp1252(m_request.url);
  const auto origin = CrackUrl(first);
  std::wstring url = first;
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
    // Credentials go to the host and port they were given for, and nowhere else.
    const bool sameSite = origin &&
                          ::CompareStringOrdinal(parts->host.c_str(), -1, origin->host.c_str(), -1,
                                                 TRUE) == CSTR_EQUAL &&
                          parts->port == origin->port && parts->secure == origin->secure;
    const bool login = m_request.credentials && sameSite;
    const std::wstring user = login ? WideFromCp1252(m_request.credentials->user) : L"";
    const std::wstring password = login ? WideFromCp1252(m_request.credentials->password) : L"";
    const HINTERNET connection = ::InternetConnectW(
        m_internet, parts->host.c_str(), parts->port, login ? user.c_str() : nullptr,
        login ? password.c_str() : nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                  INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI |
                  INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_AUTO_REDIRECT |
                  INTERNET_FLAG_NO_COOKIES;
    if (parts->secure)
      flags |= INTERNET_FLAG_SECURE;
    // Without credentials a 401 comes back as it is, for the caller to ask.
    if (!login)
      flags |= INTERNET_FLAG_NO_AUTH;
    const HINTERNET request = connection == nullptr
                                  ? nullptr
                                  : ::HttpOpenRequestW(connection, L"GET", parts->object.c_str(),
                                                       nullptr, nullptr, nullptr, flags, 0);
    const DWORD openError = ::GetLastError();
    if (!m_watch.Adopt(connection, request))
      return;
    if (request == nullptr) {
      m_answer.error = InternetErrorText(openError);
      return;
    }
    SetTimeout(request, INTERNET_OPTION_CONNECT_TIMEOUT, m_request.limits.connectTimeout);
    // Until the answer's head has come, a silent server is a stalled one.
    SetTimeout(request, INTERNET_OPTION_RECEIVE_TIMEOUT, m_request.limits.lowSpeedTime);
    SetTimeout(request, INTERNET_OPTION_SEND_TIMEOUT, m_request.limits.lowSpeedTime);
    for (const std::string& line : m_request.headers) {
      const std::wstring header = WideFromCp1252(line) + L"\r\n";
      ::HttpAddRequestHeadersW(request, header.c_str(), static_cast<DWORD>(header.size()),
                               HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
    }
    if (login) {
      ::InternetSetOptionW(request, INTERNET_OPTION_USERNAME, const_cast<wchar_t*>(user.c_str()),
                           static_cast<DWORD>(user.size()));
      ::InternetSetOptionW(request, INTERNET_OPTION_PASSWORD,
                           const_cast<wchar_t*>(password.c_str()),
                           static_cast<DWORD>(password.size()));
    }
    bool sent = ::HttpSendRequestW(request, nullptr, 0, nullptr, 0);
    auto status =
        sent ? QueryNumber(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER) : std::nullopt;
    if (!status && sent)
      status = QueryNumber(request, HTTP_QUERY_STATUS_CODE);
    // Given credentials answer the challenge on a second send, the way the
    // system's own password dialogs do it.
    if (sent && login && status && *status == 401) {
      ReadBody(request, false);
      sent = ::HttpSendRequestW(request, nullptr, 0, nullptr, 0);
      status = sent ? QueryNumber(request, HTTP_QUERY_STATUS_CODE) : std::nullopt;
    }
    if (!sent) {
      m_answer.error = InternetErrorText(::GetLastError());
      return;
    }
    // The body is read in short waits, so that the watchdog is heeded
    // between them even where closing the handle does not end a read.
    DWORD readWait = static_cast<DWORD>(kReadWait.count());
    ::InternetSetOptionW(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &readWait, sizeof readWait);
    m_answer.status = status ? static_cast<long>(*status) : 0;
    m_answer.url = Cp1252FromWide(url);
    if (IsRedirect(m_answer.status)) {
      const auto location = QueryText(request, HTTP_QUERY_LOCATION);
      if (location) {
        if (redirects == kMaxRedirects) {
          m_answer.error = "Maximum (" + std::to_string(kMaxRedirects) + ") redirects followed";
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
    if (m_answer.status == 401) {
      DWORD index = 0;
      while (const auto challenge = QueryText(request, HTTP_QUERY_WWW_AUTHENTICATE, &index))
        m_answer.authSchemes |= SchemeOfChallenge(*challenge);
    }
    m_answer.complete = ReadBody(request, m_answer.status >= 200 && m_answer.status <= 299);
    return;
  }
}

}  // namespace

HttpAnswer HttpSession::Get(const HttpRequest& request, DownloadSink& sink) {
  HttpAnswer answer;
  answer.url = request.url;
  if (m_impl->internet == nullptr) {
    answer.error = "the internet layer could not be started";
    return answer;
  }
  Watchdog::Reason ended = Watchdog::Reason::None;
  bool tooLarge = false;
  bool sinkRefused = false;
  {
    Exchange exchange(m_impl->internet, request, sink, answer);
    exchange.Run();
    ended = exchange.EndedBy();
    tooLarge = exchange.tooLarge;
    sinkRefused = exchange.sinkRefused;
  }
  if (answer.complete)
    return answer;
  if (ended == Watchdog::Reason::Abandoned) {
    answer.abandoned = true;
    answer.error = "abandoned";
  } else if (tooLarge) {
    answer.tooLarge = true;
    answer.error =
        "the answer is larger than " + std::to_string(request.limits.maxBytes) + " bytes";
  } else if (ended == Watchdog::Reason::Stalled) {
    answer.error = "fewer than " + std::to_string(HttpLimits::kStallBytes) + " bytes arrived in " +
                   std::to_string(request.limits.lowSpeedTime) + " s";
  } else if (ended == Watchdog::Reason::Deadline) {
    answer.error = "no answer within " + std::to_string(request.limits.deadline) + " s";
  } else if (sinkRefused) {
    answer.error = "the received bytes could not be stored";
  } else if (answer.error.empty()) {
    answer.error = "the transfer ended early";
  }
  return answer;
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

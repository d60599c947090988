#include "catalogue/http_transfer.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <thread>

#include "catalogue/partial_download.h"
#include "catalogue/request_url.h"
#include "catalogue/sign_in.h"
#include "platform/http.h"
#include "support/log.h"

namespace {

// Tries after the first one that brought the file no further.
constexpr int kMoreTries = 5;
// A try that brings the file on by this much is progress: the link works,
// if badly, and the count of tries starts again. The stall rule's own figure.
constexpr std::uint64_t kProgressBytes = platform::HttpLimits::kStallBytes;
// How often a wait between tries looks whether it is to be abandoned.
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

struct ContentRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;
  std::optional<std::uint64_t> total;  // "*": not said
};

std::optional<std::uint64_t> Number(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return value;
}

// "bytes A-B/T" or "bytes A-B/*".
std::optional<ContentRange> ParseContentRange(std::string_view text) {
  constexpr std::string_view kUnit = "bytes ";
  if (!text.starts_with(kUnit))
    return std::nullopt;
  text.remove_prefix(kUnit.size());
  const auto dash = text.find('-');
  const auto slash = text.find('/');
  if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash)
    return std::nullopt;
  const auto first = Number(text.substr(0, dash));
  const auto last = Number(text.substr(dash + 1, slash - dash - 1));
  const std::string_view total = text.substr(slash + 1);
  if (!first || !last || *last < *first)
    return std::nullopt;
  ContentRange range{*first, *last, std::nullopt};
  if (total != "*") {
    range.total = Number(total);
    if (!range.total || *range.total <= *last)
      return std::nullopt;
  }
  return range;
}

// Status codes of a server that may answer better a moment later.
bool WorthAnotherTry(long status) {
  return status == 408 || status == 429 || status == 500 || status == 502 || status == 503 ||
         status == 504;
}

// Takes each answer's body into the file: a whole answer starts it over, a
// 206 that carries on at the file's end and names the same file continues
// it. The size bound holds over the whole file.
class ResumingSink final : public platform::DownloadSink {
 public:
  ResumingSink(TransferTarget& file, std::atomic<std::int32_t>* counter, std::uint64_t maxBytes)
      : m_file(file), m_counter(counter), m_maxBytes(maxBytes) {}

  // Where the next request asks the file from: its end, or 0 when it must
  // start over (nothing yet, no validator to ask with, a refused answer).
  std::uint64_t ResumeFrom() const {
    return m_startOver || m_file.Validator().empty() ? 0 : m_file.Size();
  }
  void Asking(std::uint64_t from) { m_askedFrom = from; }
  void StartOverNextTime() { m_startOver = true; }

  bool Begin(const platform::HttpHead& head) override {
    if (head.status == 206)
      return Continue(head);
    m_startOver = false;
    if (!m_file.StartOver(ValidatorOf(head), head.contentLength)) {
      m_writeFailed = true;
      return false;
    }
    if (m_counter != nullptr)
      m_counter->store(0);
    return true;
  }

  bool Add(const char* data, std::size_t size) override {
    if (m_file.Size() + size > m_maxBytes) {
      m_tooLarge = true;
      return false;
    }
    if (!m_file.Write(data, size)) {
      m_writeFailed = true;
      return false;
    }
    if (m_counter != nullptr)
      AddToByteCounter(*m_counter, size);
    return true;
  }

  bool WriteFailed() const { return m_writeFailed; }
  bool TooLarge() const { return m_tooLarge; }
  // Why the last 206 was refused; empty when none was.
  const std::string& Refusal() const { return m_refusal; }

 private:
  bool Continue(const platform::HttpHead& head) {
    m_refusal.clear();
    const auto range = ParseContentRange(head.contentRange);
    if (m_askedFrom == 0 || !range || range->first != m_askedFrom || m_askedFrom != m_file.Size())
      m_refusal = "the partial answer does not continue the file (" + head.contentRange + ")";
    else if (range->total && m_file.Length() && *range->total != *m_file.Length())
      m_refusal = "the file's length changed (" + head.contentRange + ")";
    else if (!SameFile(head, m_file.Validator()))
      m_refusal = "the file changed on the server";
    if (!m_refusal.empty()) {
      m_startOver = true;
      return false;
    }
    // Where the file stands, in one store: the figures never dip meanwhile.
    if (m_counter != nullptr)
      m_counter->store(static_cast<std::int32_t>(
          std::min<std::uint64_t>(m_file.Size(), std::numeric_limits<std::int32_t>::max())));
    return true;
  }

  TransferTarget& m_file;
  std::atomic<std::int32_t>* m_counter;
  std::uint64_t m_maxBytes;
  std::uint64_t m_askedFrom = 0;
  bool m_startOver = false;
  bool m_writeFailed = false;
  bool m_tooLarge = false;
  std::string m_refusal;
};

// False when abandoned meanwhile.
bool WaitBeforeNextTry(std::chrono::milliseconds wait, const std::atomic<bool>* abandon) {
  const auto until = std::chrono::steady_clock::now() + wait;
  while (std::chrono::steady_clock::now() < until) {
    if (abandon != nullptr && abandon->load())
      return false;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
        kWaitSlice, until - std::chrono::steady_clock::now()));
  }
  return abandon == nullptr || !abandon->load();
}

}  // namespace

HttpTransferResult TransferOverHttp(const std::string& source, const std::filesystem::path& target,
                                    std::atomic<std::int32_t>* byteCounter,
                                    const std::atomic<bool>* abandon,
                                    const TransferBounds& bounds) {
  using Outcome = HttpTransferOutcome;
  platform::HttpRequest request;
  request.url = RequestUrl(source);
  // The target's folder is tried before the server is contacted: a missing
  // folder fails without any traffic.
  TransferTarget file(target, request.url, bounds.resumption == Resumption::kAcrossRuns);
  if (!file.Open())
    return {Outcome::kNotSaved, file.Error()};
  request.limits = platform::HttpLimits::FromEnvironment();
  request.limits.maxBytes = bounds.maxBytes;
  request.limits.deadline = bounds.deadlineSeconds;
  request.abandon = abandon;

  platform::HttpSession session;
  ResumingSink sink(file, byteCounter, bounds.maxBytes);
  const int moreTries = bounds.resumption == Resumption::kNone ? 0 : kMoreTries;
  int fruitless = 0;
  std::uint64_t furthest = file.Size();
  for (bool again = false;; again = true) {
    const std::uint64_t from = sink.ResumeFrom();
    request.headers = TransferRequestHeaders();
    if (from > 0 || again)
      Log("resuming %s at %llu bytes", source.c_str(), static_cast<unsigned long long>(from));
    if (from > 0) {
      request.headers.push_back("Range: bytes=" + std::to_string(from) + "-");
      request.headers.push_back("If-Range: " + file.Validator());
    }
    sink.Asking(from);
    const SignedInAnswer signedIn = GetSigningIn(session, request, sink, abandon);
    const platform::HttpAnswer& answer = signedIn.answer;

    if (signedIn.outcome == SignInOutcome::kAbandoned || answer.abandoned) {
      file.Keep();
      return {Outcome::kAbandoned, {}};
    }
    if (signedIn.outcome == SignInOutcome::kRefused) {
      file.Discard();
      return {Outcome::kRefused, {}};
    }
    if (sink.WriteFailed()) {
      const std::string error = file.Error();
      file.Discard();
      return {Outcome::kNotSaved, error};
    }
    if (sink.TooLarge() || answer.tooLarge) {
      file.Discard();
      return {Outcome::kFailed,
              "the answer is larger than " + std::to_string(bounds.maxBytes) + " bytes"};
    }

    std::string reason;
    if (answer.Succeeded()) {
      if (!file.Length() || file.Size() == *file.Length()) {
        if (!file.Commit())
          return {Outcome::kNotSaved, file.Error()};
        return {Outcome::kWhole, {}};
      }
      // A server that sends less of a range than was asked for.
      reason = "the file ended at " + std::to_string(file.Size()) + " of " +
               std::to_string(*file.Length()) + " bytes";
      if (file.Size() > *file.Length())
        sink.StartOverNextTime();
    } else if (answer.complete) {
      reason = FormatText("status %ld", answer.status);
      if (answer.status == 416 && from > 0)
        sink.StartOverNextTime();  // the file is no longer as long as the partial
      else if (!WorthAnotherTry(answer.status)) {
        file.Discard();
        return {Outcome::kFailed, reason};
      }
    } else {
      reason = sink.Refusal().empty() ? answer.error : sink.Refusal();
    }

    if (file.Size() >= furthest + kProgressBytes)
      fruitless = 0;
    furthest = std::max(furthest, file.Size());
    if (fruitless >= moreTries) {
      // What arrived of a kept partial waits for the next run.
      file.Keep();
      return {Outcome::kFailed, reason};
    }
    Log("download of %s interrupted: %s", source.c_str(), reason.c_str());
    if (!WaitBeforeNextTry(bounds.firstWait * (1 << fruitless), abandon)) {
      file.Keep();
      return {Outcome::kAbandoned, {}};
    }
    ++fruitless;
  }
}

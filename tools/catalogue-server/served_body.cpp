#include "served_body.h"

#include <charconv>
#include <memory>
#include <string_view>

#include "recording_server.h"

namespace {

// The first and last byte a Range asks for: one "bytes=A-" or "bytes=A-B".
// Anything else (several ranges, a suffix) is not served as a range.
std::optional<std::pair<std::size_t, std::optional<std::size_t>>> ParseRange(
    std::string_view value) {
  constexpr std::string_view kUnit = "bytes=";
  if (!value.starts_with(kUnit) || value.find(',') != std::string_view::npos)
    return std::nullopt;
  value.remove_prefix(kUnit.size());
  const auto dash = value.find('-');
  if (dash == 0 || dash == std::string_view::npos)
    return std::nullopt;
  std::size_t first = 0;
  const auto [firstEnd, firstError] = std::from_chars(value.data(), value.data() + dash, first);
  if (firstError != std::errc() || firstEnd != value.data() + dash)
    return std::nullopt;
  const std::string_view lastText = value.substr(dash + 1);
  if (lastText.empty())
    return std::pair{first, std::optional<std::size_t>{}};
  std::size_t last = 0;
  const auto [lastEnd, lastError] =
      std::from_chars(lastText.data(), lastText.data() + lastText.size(), last);
  if (lastError != std::errc() || lastEnd != lastText.data() + lastText.size() || last < first)
    return std::nullopt;
  return std::pair{first, std::optional<std::size_t>{last}};
}

}  // namespace

void SendBody(const httplib::Request& request, httplib::Response& response, ServedBody body,
              const BodyFaults& faults) {
  std::size_t start = 0;
  std::size_t length = body.size;
  response.status = 200;
  const std::string rangeText = request.get_header_value("Range");
  const auto range = faults.noRanges ? std::nullopt : ParseRange(rangeText);
  if (range) {
    const std::string ifRange = request.get_header_value("If-Range");
    const bool current = ifRange.empty() || faults.ignoreIfRange ||
                         (!body.etag.empty() && ifRange == body.etag) ||
                         (!body.lastModified.empty() && ifRange == body.lastModified);
    if (current && range->first >= body.size) {
      if (body.release)
        body.release();
      response.status = 416;
      response.set_header("Content-Range", "bytes */" + std::to_string(body.size));
      response.set_content("", "text/plain");
      return;
    }
    if (current) {
      start = range->first;
      const std::size_t last = std::min(range->second.value_or(body.size - 1), body.size - 1);
      length = last - start + 1;
      response.status = 206;
      response.set_header("Content-Range", "bytes " + std::to_string(start) + "-" +
                                               std::to_string(last) + "/" +
                                               std::to_string(body.size));
    }
  }
  if (!faults.noRanges)
    response.set_header("Accept-Ranges", "bytes");
  if (!body.etag.empty())
    response.set_header("ETag", body.etag);
  if (!body.lastModified.empty())
    response.set_header("Last-Modified", body.lastModified);
  if (length == 0) {
    if (body.release)
      body.release();
    response.set_content("", body.type);  // a provider for nothing would drop the length
    return;
  }
  auto shared = std::make_shared<ServedBody>(std::move(body));
  response.set_content_provider(
      length, shared->type,
      [shared, start, faults](std::size_t offset, std::size_t wanted, httplib::DataSink& sink) {
        if (faults.cutAfter) {
          if (offset >= *faults.cutAfter) {
            Connection::Current().ResetWhenClosed();
            return false;  // ends the connection
          }
          wanted = std::min(wanted, *faults.cutAfter - offset);
        }
        return shared->bytes(start + offset, wanted, sink);
      },
      [shared](bool) {
        if (shared->release)
          shared->release();
      });
}

std::string HttpDate(std::time_t time) {
  std::tm parts{};
  gmtime_r(&time, &parts);
  char text[64];
  std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &parts);
  return text;
}

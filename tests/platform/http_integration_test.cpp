// The libcurl wrapper against the loopback server, through a test's sink.
#include "platform/http.h"

#include <gtest/gtest.h>

#include <thread>

#include "testkit/loopback_server.h"

using platform::HttpAnswer;
using platform::HttpRequest;
using platform::HttpSession;

namespace {

// Keeps what it is given and how it was called.
class BufferSink final : public platform::DownloadSink {
 public:
  bool Begin(const platform::HttpHead& given) override {
    ++begun;
    beganAfterBytes = bytes.size();
    head = given;
    return true;
  }
  bool Add(const char* data, std::size_t size) override {
    bytes.append(data, size);
    return bytes.size() <= refuseAfter;
  }

  int begun = 0;
  std::size_t beganAfterBytes = 0;
  std::size_t refuseAfter = std::string::npos;
  std::string bytes;
  platform::HttpHead head;
};

HttpAnswer Get(const std::string& url, BufferSink& sink) {
  HttpSession session;
  return session.Get(HttpRequest{.url = url}, sink);
}

TEST(Http, OnlyASuccessfulAnswersBodyReachesTheSinkAfterOneBegin) {
  LoopbackServer server;
  BufferSink ok;
  EXPECT_TRUE(Get(server.Url("-/bytes/300000"), ok).Succeeded());
  EXPECT_EQ(ok.begun, 1);
  EXPECT_EQ(ok.beganAfterBytes, 0u);
  EXPECT_EQ(ok.bytes, GeneratedBytes(300000));

  BufferSink empty;
  EXPECT_TRUE(Get(server.Url("-/bytes/0"), empty).Succeeded());
  EXPECT_EQ(empty.begun, 1);

  BufferSink error;
  const HttpAnswer answer = Get(server.Url("-/status/404"), error);
  EXPECT_TRUE(answer.complete);
  EXPECT_EQ(answer.status, 404);
  EXPECT_EQ(error.begun, 0);
  EXPECT_EQ(error.bytes, "");
}

TEST(Http, ARangedAnswersHeadReachesTheSinkBeforeItsBody) {
  LoopbackServer server;
  BufferSink sink;
  HttpSession session;
  const HttpAnswer answer = session.Get(
      HttpRequest{.url = server.Url("-/bytes/3000"), .headers = {"Range: bytes=1000-"}}, sink);
  EXPECT_TRUE(answer.Succeeded());
  EXPECT_EQ(sink.head.status, 206);
  EXPECT_EQ(sink.head.contentRange, "bytes 1000-2999/3000");
  EXPECT_EQ(sink.head.etag, "\"bytes-3000\"");
  EXPECT_EQ(sink.head.contentLength, 2000u);
  EXPECT_EQ(sink.bytes, GeneratedBytes(2000, 1000));
}

TEST(Http, ASinkThatRefusesEndsTheTransfer) {
  LoopbackServer server;
  BufferSink sink;
  sink.refuseAfter = 1000;
  const HttpAnswer answer = Get(server.Url("-/bytes/10000000"), sink);
  EXPECT_FALSE(answer.complete);
  EXPECT_EQ(answer.error, "the received bytes could not be stored");
  EXPECT_LT(sink.bytes.size(), 10000000u);
}

TEST(Http, AnAbandonedTransferStopsWithoutWaitingForItsEnd) {
  LoopbackServer server;
  std::atomic<bool> abandon{false};
  BufferSink sink;
  HttpAnswer answer;
  std::thread transfer([&] {
    HttpSession session;
    answer = session.Get(HttpRequest{.url = server.Url("-/endless"), .abandon = &abandon}, sink);
  });
  abandon = true;
  transfer.join();
  EXPECT_TRUE(answer.abandoned);
  EXPECT_FALSE(answer.complete);
}

}  // namespace

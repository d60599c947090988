// The download worker on its own thread, against the loopback server. Run
// under ThreadSanitizer too: the counter is read here while the worker writes.
#include "catalogue/download_worker.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "catalogue/transfer_file.h"
#include "support/commands.h"
#include "testkit/desktop_recorder.h"
#include "testkit/loopback_server.h"
#include "testkit/temp_prefix.h"
#include "testkit/wait_until.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class DownloadWorkerTest : public ::testing::Test {
 protected:
  DownloadWorkerTest() {
    fs::create_directories(prefix.Host("c:\\downloads"));
    state.byteCounter = &bytesReceived;
  }

  void Prepare(const std::string& path, const std::string& target = "c:\\downloads\\setup.exe") {
    state.url = server.Url(path);
    state.targetPath = target;
  }

  // Waits (boundedly) until the worker has passed `bytes`.
  void WaitForBytes(std::int32_t bytes) {
    ASSERT_TRUE(WaitUntil([&] { return bytesReceived.load() >= bytes; }, 30s));
  }

  TempPrefix prefix;
  DesktopRecorder desktop;
  LoopbackServer server;
  std::atomic<std::int32_t> bytesReceived{0};
  DownloadState state;
};

TEST_F(DownloadWorkerTest, ATransferCountsAsItGoesThenPostsComplete) {
  DownloadWorker worker;
  Prepare("-/trickle/60?every=0.01");
  worker.Start(state);
  // Read while the worker writes: every value seen only grows.
  std::int32_t seen = 0;
  bool grew = true;
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::int32_t now = bytesReceived.load();
        grew = grew && now >= seen;
        seen = now;
        return !worker.Running() || !desktop.PostedCommands().empty();
      },
      30s));
  EXPECT_TRUE(grew);
  worker.Join();
  EXPECT_EQ(bytesReceived.load(), 60);
  EXPECT_TRUE(state.transferred.load());
  EXPECT_EQ(desktop.PostedCommands(), std::vector<int>{cmd::kComplete});
  EXPECT_EQ(prefix.ReadFile("c:\\downloads\\setup.exe"), GeneratedBytes(60));
}

TEST_F(DownloadWorkerTest, AFailedTransferStillPostsCompleteAndSaysSo) {
  DownloadWorker worker;
  state.url = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/setup.exe";
  state.targetPath = "c:\\downloads\\setup.exe";
  state.transferred = true;
  worker.Start(state);
  worker.Join();
  EXPECT_FALSE(state.transferred.load());
  EXPECT_EQ(desktop.PostedCommands(), std::vector<int>{cmd::kComplete});
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>{DownloadFailedMessage(state.url)});
}

TEST_F(DownloadWorkerTest, TheNextTransferStartsOnlyAfterThePreviousHasEnded) {
  DownloadWorker worker;
  Prepare("-/trickle/20?every=0.01", "c:\\downloads\\first.exe");
  worker.Start(state);
  // Start waits for the first transfer before it touches the record.
  DownloadState second;
  second.url = server.Url("-/bytes/5");
  second.targetPath = "c:\\downloads\\second.exe";
  worker.Start(second);
  EXPECT_EQ(prefix.ReadFile("c:\\downloads\\first.exe"), GeneratedBytes(20));
  EXPECT_TRUE(state.transferred.load());
  worker.Join();
  EXPECT_EQ(desktop.PostedCommands(), (std::vector<int>{cmd::kComplete, cmd::kComplete}));
  EXPECT_EQ(prefix.ReadFile("c:\\downloads\\second.exe"), GeneratedBytes(5));
}

TEST_F(DownloadWorkerTest, ClosingDuringAnEndlessTransferAbandonsItQuietly) {
  prefix.WriteFile("c:\\downloads\\setup.exe", "earlier");
  {
    DownloadWorker worker;
    Prepare("-/endless");
    worker.Start(state);
    WaitForBytes(1000000);
  }
  EXPECT_FALSE(state.transferred.load());
  EXPECT_TRUE(desktop.Messages().empty());
  EXPECT_EQ(desktop.PostedCommands(), std::vector<int>{cmd::kComplete});
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(prefix.Host("c:\\downloads")))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"setup.exe"});
  EXPECT_EQ(prefix.ReadFile("c:\\downloads\\setup.exe"), "earlier");
}

#ifndef _WIN32  // threads' niceness, read from /proc
// How many threads of this process run at a lower priority than `normal`.
int ThreadsNicerThan(int normal) {
  int count = 0;
  for (const auto& task : fs::directory_iterator("/proc/self/task")) {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, std::stoi(task.path().filename().string()));
    count += (errno == 0 && nice > normal) ? 1 : 0;
  }
  return count;
}

TEST_F(DownloadWorkerTest, TheWorkerRunsBelowTheNormalPriority) {
  const int normal = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  const int before = ThreadsNicerThan(normal);
  DownloadWorker worker;
  Prepare("-/trickle/200?every=0.01");
  worker.Start(state);
  WaitForBytes(1);
  EXPECT_EQ(ThreadsNicerThan(normal), before + 1);
  worker.Join();
}
#endif

}  // namespace

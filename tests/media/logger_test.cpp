#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "media/binding/ff_logger.h"
#include "media/bridges/main_thread.h"
#include "media_test_support.h"

namespace {

using namespace media;
using media_test::LibraryLog;

struct Line {
  const void* sender;
  uint32_t threadId;
  TLogLevel level;
  std::string text;
};

// A library object as the libraries lay them out: the class comes first.
const char* TestItemName(void* context);

struct FakeContext {
  const AVClass* cls;
  void* parent;  // found through the class's parent offset
  const char* name;
};

const char* TestItemName(void* context) { return static_cast<FakeContext*>(context)->name; }

const AVClass kWithParent = [] {
  AVClass c{};
  c.class_name = "child";
  c.item_name = TestItemName;
  c.version = LIBAVUTIL_VERSION_INT;
  c.parent_log_context_offset = offsetof(FakeContext, parent);
  return c;
}();

const AVClass kWithoutParent = [] {
  AVClass c{};
  c.class_name = "plain";
  c.item_name = TestItemName;
  c.version = LIBAVUTIL_VERSION_INT;
  return c;
}();

std::string Hex(const void* p) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%016lX", reinterpret_cast<unsigned long>(p));
  return buf;
}

class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitMainThread();
    logger_ = std::make_unique<TFFLogger>();
    logger_->SetOnLog([this](const void* sender, uint32_t tid, TLogLevel level, const std::string& msg) {
      std::lock_guard guard(lock_);
      lines_.push_back({sender, tid, level, msg});
    });
    // Breaks any repeat run and partial line left by an earlier test.
    static int serial = 0;
    LibraryLog(nullptr, AV_LOG_ERROR, "reset %d\n", ++serial);
    Take();
  }
  void TearDown() override { logger_.reset(); }

  std::vector<Line> Take() {
    std::lock_guard guard(lock_);
    return std::exchange(lines_, {});
  }

  std::unique_ptr<TFFLogger> logger_;
  std::mutex lock_;
  std::vector<Line> lines_;
};

TEST_F(LoggerTest, PrefixesNameAndAddressOfContextAndParent) {
  FakeContext parent{&kWithoutParent, nullptr, "muxer"};
  FakeContext child{&kWithParent, &parent, "encoder"};
  FakeContext orphan{&kWithParent, nullptr, "lonely"};

  LibraryLog(&parent, AV_LOG_WARNING, "abc\n");
  LibraryLog(&child, AV_LOG_ERROR, " def %d\n", 5);
  LibraryLog(&orphan, AV_LOG_ERROR, "ghi\n");

  const auto lines = Take();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, "[muxer @ " + Hex(&parent) + "]abc");
  EXPECT_EQ(lines[0].level, llWarning);
  EXPECT_EQ(lines[0].sender, logger_.get());
  EXPECT_EQ(lines[0].threadId, CurrentThreadId());
  EXPECT_EQ(lines[1].text, "[muxer @ " + Hex(&parent) + "] [encoder @ " + Hex(&child) + "] def 5");
  EXPECT_EQ(lines[1].level, llError);
  // A parent offset with nothing there gives no parent part.
  EXPECT_EQ(lines[2].text, "[lonely @ " + Hex(&orphan) + "]ghi");
}

TEST_F(LoggerTest, PartialLinesJoinWithTheFirstPrefixOnly) {
  FakeContext ctx{&kWithoutParent, nullptr, "demuxer"};
  LibraryLog(&ctx, AV_LOG_INFO, "first part, ");
  EXPECT_TRUE(Take().empty());
  LibraryLog(&ctx, AV_LOG_INFO, "second part\nthird");
  LibraryLog(&ctx, AV_LOG_INFO, " and more\n\n");
  const auto lines = Take();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, "[demuxer @ " + Hex(&ctx) + "]first part, second part");
  EXPECT_EQ(lines[1].text, "third and more");
  EXPECT_EQ(lines[2].text, "");
}

TEST_F(LoggerTest, RepeatedLinesAreCountedNotDelivered) {
  for (int i = 0; i < 3; ++i) LibraryLog(nullptr, AV_LOG_ERROR, "same three\n");
  LibraryLog(nullptr, AV_LOG_ERROR, "other\n");
  auto lines = Take();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, "same three");
  EXPECT_EQ(lines[1].text, "    Last message repeated 2 times");
  EXPECT_EQ(lines[2].text, "other");

  // A single repetition is dropped without a note.
  LibraryLog(nullptr, AV_LOG_ERROR, "same two\n");
  LibraryLog(nullptr, AV_LOG_ERROR, "same two\n");
  LibraryLog(nullptr, AV_LOG_ERROR, "next\n");
  lines = Take();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "same two");
  EXPECT_EQ(lines[1].text, "next");

  // Text without a line feed is never taken for a repeat.
  LibraryLog(nullptr, AV_LOG_ERROR, "a");
  LibraryLog(nullptr, AV_LOG_ERROR, "a");
  LibraryLog(nullptr, AV_LOG_ERROR, "\n");
  lines = Take();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "aa");
}

TEST_F(LoggerTest, LongAndEmptyMessages) {
  const std::string big(5000, 'x');
  LibraryLog(nullptr, AV_LOG_ERROR, "%s|%s\n", big.c_str(), "end");
  LibraryLog(nullptr, AV_LOG_ERROR, "%s", "");
  LibraryLog(nullptr, AV_LOG_ERROR, "%s", "\n");
  const auto lines = Take();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, big + "|end");
  EXPECT_EQ(lines[1].text, "");
}

TEST_F(LoggerTest, LibraryLevelsFilterAndMap) {
  // Above the level in force (info): dropped before anything else.
  LibraryLog(nullptr, AV_LOG_DEBUG, "too chatty\n");
  EXPECT_TRUE(Take().empty());

  logger_->DeliverLine(7, 12, "twelve");
  logger_->DeliverLine(7, -1, "minus one");
  logger_->DeliverLine(7, 100, "hundred");
  logger_->DeliverLine(7, -8, "quiet");
  const auto lines = Take();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].level, llFatal);
  EXPECT_EQ(lines[1].level, llPanic);
  EXPECT_EQ(lines[2].level, llDebug);
  EXPECT_EQ(lines[3].level, llQuiet);
  EXPECT_EQ(lines[0].threadId, 7u);

  static_assert(LibraryLevelOf(llQuiet) == -8 && LibraryLevelOf(llPanic) == 0 &&
                LibraryLevelOf(llDebug) == 48);
}

TEST_F(LoggerTest, OwnMessagesObeyTheLogLevel) {
  int sender = 0;
  logger_->SetLogLevel(llInfo);
  logger_->Log(&sender, llVerbose, "hidden");
  logger_->Log(&sender, llInfo, "shown");
  Log(nullptr, llError, "through the default logger");
  LogFormat(&sender, llWarning, "%s #%d", "formatted", 3);
  LogFormat(&sender, llDebug, "%s", "hidden too");
  const auto lines = Take();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, "shown");
  EXPECT_EQ(lines[0].sender, &sender);
  EXPECT_EQ(lines[1].text, "through the default logger");
  EXPECT_EQ(lines[1].sender, nullptr);
  EXPECT_EQ(lines[2].text, "formatted #3");
  EXPECT_EQ(lines[2].level, llWarning);
}

TEST_F(LoggerTest, OnlyOneApplicationLogger) {
  EXPECT_EQ(&DefaultLogger(), logger_.get());
  try {
    TFFLogger second;
    FAIL() << "a second logger was created";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "Allow creating only one instance of TFFLogger.");
  }
  logger_.reset();
  // Without one the system makes its own, which an application logger replaces.
  TFFLogger& system = DefaultLogger();
  EXPECT_TRUE(system.SystemCreated());
  TFFLogger app;
  EXPECT_EQ(&DefaultLogger(), &app);
  EXPECT_FALSE(app.SystemCreated());
}

TEST_F(LoggerTest, WorkerLinesArriveOnTheMainThread) {
  std::thread::id deliveredOn;
  std::vector<std::string> texts;
  logger_->SetOnLog([&](const void*, uint32_t tid, TLogLevel, const std::string& msg) {
    deliveredOn = std::this_thread::get_id();
    texts.push_back(msg + "@" + std::to_string(tid));
  });
  std::atomic<bool> done{false};
  uint32_t workerId = 0;
  std::thread worker([&] {
    workerId = CurrentThreadId();
    LibraryLog(nullptr, AV_LOG_ERROR, "from ");
    LibraryLog(nullptr, AV_LOG_ERROR, "worker\n");
    done = true;
  });
  ASSERT_TRUE(WaitServingMainThreadCalls([&] { return done.load(); }, std::chrono::seconds(10)));
  worker.join();
  EXPECT_EQ(deliveredOn, std::this_thread::get_id());
  ASSERT_EQ(texts.size(), 1u) << texts[0];
  EXPECT_EQ(texts[0], "from worker@" + std::to_string(workerId));
}

TEST_F(LoggerTest, HandlerRunsOnTheLoggingThreadWhenAsked) {
  logger_->SetTriggerEventInMainThread(false);
  std::thread::id deliveredOn;
  logger_->SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string&) {
    deliveredOn = std::this_thread::get_id();
  });
  std::thread::id workerThread;
  std::thread worker([&] {
    workerThread = std::this_thread::get_id();
    LibraryLog(nullptr, AV_LOG_ERROR, "direct\n");
  });
  worker.join();  // would hang if the line waited for the main thread
  EXPECT_EQ(deliveredOn, workerThread);
}

// The worker's line waits for the main thread; the main thread logs before
// serving it. If the worker still held the log lock this would block, so a
// watchdog releases the worker by shutting the queue and the test fails.
TEST_F(LoggerTest, MainThreadCanLogWhileAWorkerWaits) {
  std::vector<std::string> texts;
  logger_->SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string& msg) { texts.push_back(msg); });
  std::atomic<bool> queued{false};
  SetMainThreadWaker([&] { queued = true; });
  std::thread worker([] { LibraryLog(nullptr, AV_LOG_ERROR, "worker line\n"); });
  while (!queued) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  std::atomic<bool> finished{false}, watchdogFired{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 1000 && !finished; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!finished) {
      watchdogFired = true;
      ShutdownMainThreadCalls();
    }
  });
  LibraryLog(nullptr, AV_LOG_ERROR, "main line\n");
  Log(nullptr, llError, "own line");
  ServeMainThreadCalls();
  finished = true;
  worker.join();
  watchdog.join();
  SetMainThreadWaker(nullptr);
  InitMainThread();

  EXPECT_FALSE(watchdogFired);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "main line");
  EXPECT_EQ(texts[1], "own line");
  EXPECT_EQ(texts[2], "worker line");
}

}  // namespace

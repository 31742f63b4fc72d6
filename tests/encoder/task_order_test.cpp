// The order in which tasks start and their ends are reported: every task's
// own event first, the final one (task -1) last.
#include <algorithm>
#include <mutex>
#include <system_error>

#include "encoder/ffmpeg_task.h"
#include "encoder_support.h"
#include "media/bridges/main_thread.h"

namespace encoder_test {
namespace {

using encoder::TFFEncoder;

class TaskOrderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitMedia(); }
};

TEST_F(TaskOrderTest, OneTaskWithCountOneReportsTheTaskThenTheEnd) {
  const fs::path dir = Scratch("one_task");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource source(12);
  ASSERT_EQ(AddSourceTask(enc, source, dir / "one.mp4"), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  ASSERT_EQ(log.Indexes(), (std::vector<int>{0, -1}));
  EXPECT_TRUE(log.events[0].Finished);
  EXPECT_FALSE(log.events[0].ErrorOccurred) << log.events[0].ErrorMessage;
  EXPECT_TRUE(log.events[1].Finished);
  EXPECT_FALSE(log.events[1].ErrorOccurred);
  EXPECT_TRUE(log.events[1].ErrorMessage.empty());
  // Delivered on the main thread, which is this one.
  EXPECT_EQ(log.threads[0], std::this_thread::get_id());
  EXPECT_EQ(log.threads[1], std::this_thread::get_id());
  EXPECT_TRUE(enc.AllEnded());
  // The file is complete when the task's event arrives.
  EXPECT_EQ(CountVideoFrames(dir / "one.mp4"), 12);
}

// Records on the worker, in one sequence with the frame requests, when each
// task's engine ends.
class SequencedEncoder : public encoder::TFFEncoder {
 public:
  std::mutex lock;
  int clock = 0;
  std::vector<int> ends;
  int Tick() {
    std::lock_guard guard(lock);
    return ++clock;
  }

 protected:
  void TaskEnded(encoder::TFFmpeg& engine) override {
    {
      std::lock_guard guard(lock);
      ends.push_back(++clock);
    }
    TFFEncoder::TaskEnded(engine);
  }
};

TEST_F(TaskOrderTest, ThreeTasksWithCountTwoRunTwoAtOnceAndTheThirdAfterAnEnd) {
  const fs::path dir = Scratch("three_tasks");
  SequencedEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource sources[3];
  int firstRequest[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    sources[i].frames = -1;
    sources[i].onFrame = [&, i](int n) {
      if (n == 1) firstRequest[i] = enc.Tick();
      // Tasks 0 and 1 go on until both have begun, so they overlap for sure.
      const bool bothBegun = firstRequest[0] && firstRequest[1];
      if (n >= 8 && (i == 2 || bothBegun)) sources[i].lastFrame = n;
      if (n >= 600) sources[i].lastFrame = n;  // never hangs the test
    };
    ASSERT_EQ(AddSourceTask(enc, sources[i], dir / ("t" + std::to_string(i) + ".mp4")), i);
  }
  enc.StartTask(2);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));

  ASSERT_EQ(enc.ends.size(), 3u);
  const int firstEnd = enc.ends[0];
  EXPECT_LT(firstRequest[0], firstEnd);
  EXPECT_LT(firstRequest[1], firstEnd);
  EXPECT_GT(firstRequest[2], firstEnd) << "the third task started before a slot was free";
  ASSERT_EQ(log.events.size(), 4u);
  EXPECT_EQ(log.events.back().TaskIndex, -1);
  std::vector<int> tasks = log.Indexes();
  tasks.pop_back();
  std::sort(tasks.begin(), tasks.end());
  EXPECT_EQ(tasks, (std::vector<int>{0, 1, 2}));
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(CountVideoFrames(dir / ("t" + std::to_string(i) + ".mp4")), sources[i].handedOut.load());
}

TEST_F(TaskOrderTest, CountZeroRunsOnTheCallingThreadAndReturnsAfterTheFinalEvent) {
  const fs::path dir = Scratch("inline");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource a(6), b(9);
  ASSERT_EQ(AddSourceTask(enc, a, dir / "a.mp4"), 0);
  ASSERT_EQ(AddSourceTask(enc, b, dir / "b.mp4"), 1);
  std::thread::id requestThread;
  b.onFrame = [&](int) { requestThread = std::this_thread::get_id(); };
  enc.StartTask(0);
  ASSERT_EQ(log.Indexes(), (std::vector<int>{0, 1, -1}));
  for (auto id : log.threads) EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_EQ(requestThread, std::this_thread::get_id());
  EXPECT_EQ(CountVideoFrames(dir / "a.mp4"), 6);
  EXPECT_EQ(CountVideoFrames(dir / "b.mp4"), 9);
}

TEST_F(TaskOrderTest, RunWithoutTasksStillEndsSoThatItCanBeCleared) {
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  EXPECT_EQ(log.Indexes(), (std::vector<int>{-1}));
  EXPECT_NO_THROW(enc.ClearTasks());
  EXPECT_FALSE(enc.Working());
}

TEST_F(TaskOrderTest, TaskWithoutOutputEndsAtOnceWithTheEngineMessage) {
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource source;
  encoder::TInputOptions in = SourceOptions();
  ASSERT_EQ(enc.AddTask(source.adapter.InputFileName(), &in), 0) << enc.LastErrorMessage();
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  ASSERT_EQ(log.Indexes(), (std::vector<int>{0, -1}));
  EXPECT_TRUE(log.events[0].ErrorOccurred);
  EXPECT_FALSE(log.events[0].Finished);
  EXPECT_EQ(log.events[0].ErrorMessage, "At least one output file must be specified");
  EXPECT_EQ(source.handedOut, 0);
}

}  // namespace
}  // namespace encoder_test

namespace encoder_test {
namespace {

// No thread can be made for the first end event.
class ThreadStarvedEncoder : public encoder::TFFEncoder {
 protected:
  std::thread LaunchThread(std::function<void()> body) override {
    if (refusals_++ == 0) throw std::system_error(EAGAIN, std::generic_category(), "no thread");
    return TFFEncoder::LaunchThread(std::move(body));
  }

 private:
  int refusals_ = 0;
};

TEST_F(TaskOrderTest, LostTaskEventDoesNotHoldBackTheFinalOne) {
  const fs::path dir = Scratch("no_thread");
  // Kept alive when the final event hangs, so the test fails instead of
  // waiting in the destructor.
  auto enc = std::make_unique<ThreadStarvedEncoder>();
  TerminateLog log;
  log.Attach(*enc);
  FrameSource source(3);
  ASSERT_EQ(AddSourceTask(*enc, source, dir / "lost.mp4"), 0);
  enc->StartTask(1);
  const bool ended = media::WaitServingMainThreadCalls([&] { return log.FinalSeen(); },
                                                       std::chrono::seconds(10));
  if (!ended) (void)enc.release();
  ASSERT_TRUE(ended);
  EXPECT_EQ(log.Indexes(), (std::vector<int>{-1}));
}

}  // namespace
}  // namespace encoder_test

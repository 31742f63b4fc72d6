// Stopping, pausing and resuming a run, and what the written file looks
// like afterwards.
#include "encoder_support.h"

namespace encoder_test {
namespace {

using encoder::TFFEncoder;

class RunControlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitMedia(); }
};

TEST_F(RunControlTest, StopWithoutWaitingFromInsideAFrameRequestEndsTheRun) {
  const fs::path dir = Scratch("stop_in_request");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource source(-1);
  bool stopReturned = false;
  source.onFrame = [&](int n) {
    if (n == 10) {
      enc.Stop(false);
      stopReturned = true;
    }
  };
  ASSERT_EQ(AddSourceTask(enc, source, dir / "stopped.mp4"), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  EXPECT_TRUE(stopReturned);
  ASSERT_EQ(log.Indexes(), (std::vector<int>{0, -1}));
  EXPECT_FALSE(log.events[0].Finished);
  EXPECT_FALSE(log.events[0].ErrorOccurred) << log.events[0].ErrorMessage;
  // The loop ends at its next check: at most the frame in flight follows,
  // and the file is complete with what got through the encoder.
  EXPECT_LE(source.handedOut, 11);
  const int written = CountVideoFrames(dir / "stopped.mp4");
  EXPECT_GT(written, 0);
  EXPECT_LE(written, source.handedOut);
}

TEST_F(RunControlTest, StopWithWaitingWhilePausedEndsWithACompleteFile) {
  const fs::path dir = Scratch("stop_paused");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource source(-1);
  ASSERT_EQ(AddSourceTask(enc, source, dir / "paused.mp4"), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return source.handedOut >= 5; }));
  enc.Pause();
  EXPECT_TRUE(enc.Paused());
  // A paused worker asks for no more frames (one may be under way).
  ServeFor(200);
  const int atPause = source.handedOut;
  ServeFor(300);
  EXPECT_EQ(source.handedOut, atPause);
  enc.Stop(true);
  // Its end is known now; the event follows through the main thread.
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  ASSERT_EQ(log.Indexes(), (std::vector<int>{0, -1}));
  EXPECT_FALSE(log.events[0].Finished);
  EXPECT_FALSE(log.events[0].ErrorOccurred) << log.events[0].ErrorMessage;
  // The trailer was written: the file opens and holds what was handed out.
  EXPECT_EQ(CountVideoFrames(dir / "paused.mp4"), source.handedOut.load());
}

}  // namespace
}  // namespace encoder_test

namespace encoder_test {
namespace {

TEST_F(RunControlTest, PauseTwiceThenOneResumeRunsToTheEnd) {
  const fs::path dir = Scratch("pause_twice");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource source(40);
  ASSERT_EQ(AddSourceTask(enc, source, dir / "resumed.mp4"), 0);
  source.onFrame = [&](int n) {
    if (n == 5) {
      enc.Pause();
      enc.Pause();
      EXPECT_TRUE(enc.Paused());
      enc.Resume();
      EXPECT_FALSE(enc.Paused());
    }
  };
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  ASSERT_EQ(log.Indexes(), (std::vector<int>{0, -1}));
  EXPECT_TRUE(log.events[0].Finished);
  EXPECT_EQ(CountVideoFrames(dir / "resumed.mp4"), 40);
}

TEST_F(RunControlTest, StopWithWaitingEndsTasksThatNeverStarted) {
  const fs::path dir = Scratch("stop_queue");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource first(-1), second(10);
  ASSERT_EQ(AddSourceTask(enc, first, dir / "first.mp4"), 0);
  ASSERT_EQ(AddSourceTask(enc, second, dir / "second.mp4"), 1);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return first.handedOut >= 3; }));
  enc.Stop(true);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  ASSERT_EQ(log.events.size(), 3u);
  EXPECT_EQ(log.events.back().TaskIndex, -1);
  for (int i = 0; i < 2; ++i) EXPECT_FALSE(log.events[i].Finished);
  // The waiting task never ran and left no file.
  EXPECT_EQ(second.handedOut, 0);
  EXPECT_FALSE(fs::exists(dir / "second.mp4"));
  EXPECT_GT(CountVideoFrames(dir / "first.mp4"), 0);
}

TEST_F(RunControlTest, ControlsOutsideARunDoNothing) {
  TFFEncoder enc;
  enc.Pause();
  EXPECT_FALSE(enc.Paused());
  enc.Resume();
  enc.Stop(true);
  EXPECT_FALSE(enc.Working());
}

}  // namespace
}  // namespace encoder_test

// Stopping, pausing and resuming a run, and what the written file looks
// like afterwards.
#include "encoder_support.h"
#include "media/binding/ff_entry_points.h"

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
  // The loop ends at its next check; the frame in flight was handed out
  // and is written, nothing after it is asked for.
  EXPECT_EQ(source.handedOut, 10);
  EXPECT_EQ(CountVideoFrames(dir / "stopped.mp4"), 10);
}

TEST_F(RunControlTest, FailureMidRunKeepsThePartBeforeItAndSaysSo) {
  const fs::path dir = Scratch("fail_mid_run");
  const fs::path out = dir / "broken_off.mp4";
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource source(-1);
  source.onFrame = [](int n) {
    if (n == 8) throw std::runtime_error("frame 8 cannot be made");
  };
  ASSERT_EQ(AddSourceTask(enc, source, out), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  ASSERT_EQ(log.Indexes(), (std::vector<int>{0, -1}));
  const encoder::TTerminateInfo& end = log.events[0];
  EXPECT_FALSE(end.Finished);
  EXPECT_TRUE(end.ErrorOccurred);
  EXPECT_EQ(end.ErrorMessage, "frame 8 cannot be made");
  EXPECT_EQ(end.KeptPart, "\"" + out.string() + "\" holds the video up to the error (7 frames).");
  EXPECT_EQ(CountVideoFrames(out), 7);
  // The closing event of all tasks carries nothing of it.
  EXPECT_TRUE(log.events[1].KeptPart.empty());
}

TEST_F(RunControlTest, RunThatWritesNoFrameIsAnErrorAndLeavesNoFile) {
  const fs::path dir = Scratch("no_frame");
  const fs::path out = dir / "empty.mkv";
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource source(15);
  ASSERT_EQ(AddSourceTask(enc, source, out, false, "-vframes 0"), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  ASSERT_EQ(log.Indexes(), (std::vector<int>{0, -1}));
  EXPECT_FALSE(log.events[0].Finished);
  EXPECT_TRUE(log.events[0].ErrorOccurred);
  EXPECT_EQ(log.events[0].ErrorMessage,
            "No video frame was written to \"" + out.string() +
                "\" (check -ss / -t / -fs / -frames parameters if used)");
  EXPECT_TRUE(log.events[0].KeptPart.empty());
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(RunControlTest, StopInTheFirstFrameRequestIsNoErrorAndKeepsThatFrame) {
  const fs::path dir = Scratch("stop_at_once");
  const fs::path out = dir / "one.mp4";
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource source(-1);
  // The frame being requested when the stop comes is still encoded.
  source.onFrame = [&](int n) {
    if (n == 1) enc.Stop(false);
  };
  ASSERT_EQ(AddSourceTask(enc, source, out), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  ASSERT_EQ(log.Indexes(), (std::vector<int>{0, -1}));
  EXPECT_FALSE(log.events[0].Finished);
  EXPECT_FALSE(log.events[0].ErrorOccurred) << log.events[0].ErrorMessage;
  EXPECT_EQ(CountVideoFrames(out), 1);
}

TEST_F(RunControlTest, StopWithWaitingWhilePausedEndsWithACompleteFile) {
  const fs::path dir = Scratch("stop_paused");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource source(-1);
  // Paused inside a request: the worker halts before it asks for the next.
  source.onFrame = [&](int n) {
    if (n == 5) enc.Pause();
  };
  ASSERT_EQ(AddSourceTask(enc, source, dir / "paused.mp4"), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return source.handedOut >= 5; }));
  EXPECT_TRUE(enc.Paused());
  ServeFor(300);
  EXPECT_EQ(source.handedOut, 5);
  enc.Stop(true);
  // Its end is known now; the event follows through the main thread.
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  ASSERT_EQ(log.Indexes(), (std::vector<int>{0, -1}));
  EXPECT_FALSE(log.events[0].Finished);
  EXPECT_FALSE(log.events[0].ErrorOccurred) << log.events[0].ErrorMessage;
  // The trailer was written: the file opens and holds every frame handed out.
  EXPECT_EQ(CountVideoFrames(dir / "paused.mp4"), 5);
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

TEST_F(RunControlTest, RealTimePacingGoesOnFromWhereItPaused) {
  const fs::path dir = Scratch("paced_pause");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource source(31);
  std::atomic<int64_t> frame31At{0};
  source.onFrame = [&](int n) {
    if (n == 1) enc.Pause();
    if (n == 31) frame31At = ff::av_gettime();
  };
  ASSERT_EQ(AddSourceTask(enc, source, dir / "paced.mp4", /*realTime=*/true), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return source.handedOut >= 1; }));
  ServeFor(1000);
  const int64_t resumed = ff::av_gettime();
  enc.Resume();
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  EXPECT_TRUE(log.events[0].Finished) << log.events[0].ErrorMessage;
  // Frame 31 is due one second of stream time after frame 1. Had the pause
  // not been credited, the clock would be a second ahead and the frames
  // would come in one burst; pacing can only make them later.
  EXPECT_GE(frame31At - resumed, 500000);
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

// Setting tasks up: option records, refusals during a run, errors that come
// back as codes with their text.
#include "encoder_support.h"

namespace encoder_test {
namespace {

using encoder::EncoderBusy;
using encoder::TFFEncoder;

class TaskSetupTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitMedia(); }
};

std::string BusyText(const std::function<void()>& call) {
  try {
    call();
  } catch (const EncoderBusy& e) {
    return e.what();
  }
  return "(no exception)";
}

TEST_F(TaskSetupTest, OperationsAreRefusedFromTheStartUntilClearTasks) {
  const fs::path dir = Scratch("busy");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  FrameSource source(-1), other;
  ASSERT_EQ(AddSourceTask(enc, source, dir / "busy.mp4"), 0);
  std::string duringRun, clearDuringRun, inputDuringRun, outputDuringRun, startDuringRun,
      removeDuringRun;
  source.onFrame = [&](int n) {
    if (n != 3) return;
    duringRun = BusyText([&] { enc.AddTask(other.adapter.InputFileName()); });
    clearDuringRun = BusyText([&] { enc.ClearTasks(); });
    inputDuringRun = BusyText([&] { enc.AddInput(0, "x.wav"); });
    outputDuringRun = BusyText([&] { enc.SetOutput(0, "x.mp4"); });
    startDuringRun = BusyText([&] { enc.StartTask(1); });
    removeDuringRun = BusyText([&] { enc.RemoveTask(0); });
    source.lastFrame = n;
  };
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  EXPECT_EQ(duringRun, "Cannot AddTask while working.");
  EXPECT_EQ(clearDuringRun, "Cannot ClearTasks while working.");
  EXPECT_EQ(inputDuringRun, "Cannot AddInput while working.");
  EXPECT_EQ(outputDuringRun, "Cannot SetOutput while working.");
  EXPECT_EQ(startDuringRun, "Cannot StartTask while working.");
  EXPECT_EQ(removeDuringRun, "Cannot RemoveTask while working.");
  EXPECT_EQ(enc.TaskCount(), 1);
  // Ended but not cleared: still refused.
  EXPECT_EQ(BusyText([&] { enc.AddTask(other.adapter.InputFileName()); }),
            "Cannot AddTask while working.");
  EXPECT_NO_THROW(enc.ClearTasks());
  EXPECT_EQ(enc.TaskCount(), 0);
  EXPECT_FALSE(enc.Working());
  EXPECT_FALSE(enc.AllEnded());
  encoder::TInputOptions in = SourceOptions();
  EXPECT_EQ(enc.AddTask(other.adapter.InputFileName(), &in), 0) << enc.LastErrorMessage();
}

TEST_F(TaskSetupTest, EmptyFileNamesInTheRecordsAreFilledIn) {
  const fs::path dir = Scratch("names");
  TFFEncoder enc;
  FrameSource source;
  encoder::TInputOptions in = SourceOptions();
  ASSERT_TRUE(in.FileName.empty());
  ASSERT_EQ(enc.AddTask(source.adapter.InputFileName(), &in), 0) << enc.LastErrorMessage();
  EXPECT_EQ(in.FileName, source.adapter.InputFileName());
  encoder::TOutputOptions out = OutputOptions();
  out.FileName = "kept";
  ASSERT_GE(enc.SetOutput(0, (dir / "named.mp4").string(), &out), 0) << enc.LastErrorMessage();
  EXPECT_EQ(out.FileName, "kept");
}

TEST_F(TaskSetupTest, InitialisersClearTheRecordsButKeepTwentyFourBits) {
  encoder::TOutputOptions out;
  out.FileName = "a";
  out.Join = true;
  out.HookBitsPerPixel = 8;
  encoder::InitOutputOptions(out);
  EXPECT_TRUE(out.FileName.empty());
  EXPECT_FALSE(out.Join);
  EXPECT_EQ(out.HookBitsPerPixel, 24);
  encoder::TInputOptions in{"a", "b", "c"};
  encoder::InitInputOptions(in);
  EXPECT_TRUE(in.FileName.empty() && in.Options.empty() && in.Presets.empty());
}

TEST_F(TaskSetupTest, ProgressIntervalHasAFloorOfOneHundred) {
  TFFEncoder enc;
  EXPECT_EQ(enc.ProgressInterval(), 500);
  for (int ms : {0, 50, 100, -7}) {
    enc.SetProgressInterval(ms);
    EXPECT_EQ(enc.ProgressInterval(), 100) << ms;
  }
  enc.SetProgressInterval(101);
  EXPECT_EQ(enc.ProgressInterval(), 101);
}

TEST_F(TaskSetupTest, HookDepthTheConvertersLackIsAnErrorCode) {
  const fs::path dir = Scratch("bits");
  TFFEncoder enc;
  FrameSource source;
  encoder::TInputOptions in = SourceOptions();
  ASSERT_EQ(enc.AddTask(source.adapter.InputFileName(), &in), 0);
  encoder::TOutputOptions out = OutputOptions();
  out.HookBitsPerPixel = 12;
  EXPECT_EQ(enc.SetOutput(0, (dir / "x.mp4").string(), &out), -1);
  EXPECT_EQ(enc.LastErrorMessage(), "Invalid BitsPixel 12");
  // The task stays and its output can still be set.
  EXPECT_EQ(enc.TaskCount(), 1);
  out.HookBitsPerPixel = 32;
  EXPECT_GE(enc.SetOutput(0, (dir / "x.mp4").string(), &out), 0) << enc.LastErrorMessage();
}

TEST_F(TaskSetupTest, FailedOpeningsGiveCodesAndLeaveNoTask) {
  TFFEncoder enc;
  encoder::TInputOptions bad;
  bad.Options = "-no_such_option 1";
  FrameSource source;
  EXPECT_EQ(enc.AddTask(source.adapter.InputFileName(), &bad), -1);
  EXPECT_NE(enc.LastErrorMessage().find("no_such_option"), std::string::npos)
      << enc.LastErrorMessage();
  EXPECT_LT(enc.AddTask("/no/such/file.wav"), 0);
  EXPECT_FALSE(enc.LastErrorMessage().empty());
  EXPECT_EQ(enc.TaskCount(), 0);
  EXPECT_THROW(enc.SetOutput(0, "x.mp4"), std::out_of_range);
}

TEST_F(TaskSetupTest, EncoderThatCannotOpenLeavesNoFileBeforeItsEvent) {
  const fs::path dir = Scratch("bad_encoder");
  TFFEncoder enc;
  TerminateLog log;
  bool fileGoneAtEvent = false;
  enc.OnTerminate = [&](encoder::TCustomEncoder* sender, const encoder::TTerminateInfo& info) {
    EXPECT_EQ(sender, &enc);
    if (info.TaskIndex == 0) fileGoneAtEvent = !fs::exists(dir / "bad.mkv");
    log.Add(info);
  };
  FrameSource source;
  // MPEG-4 refuses time bases beyond 16 bits.
  encoder::TInputOptions in = SourceOptions();
  ASSERT_EQ(enc.AddTask(source.adapter.InputFileName(), &in), 0);
  encoder::TOutputOptions out;
  out.Options = "-c:v mpeg4 -r 1000000/1";
  ASSERT_GE(enc.SetOutput(0, (dir / "bad.mkv").string(), &out), 0) << enc.LastErrorMessage();
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  ASSERT_EQ(log.Indexes(), (std::vector<int>{0, -1}));
  EXPECT_TRUE(log.events[0].ErrorOccurred);
  EXPECT_NE(log.events[0].ErrorMessage.find("Error while opening encoder"), std::string::npos)
      << log.events[0].ErrorMessage;
  EXPECT_TRUE(fileGoneAtEvent);
  // The final record says the run is over, not how it went.
  EXPECT_TRUE(log.events[1].Finished);
  EXPECT_FALSE(log.events[1].ErrorOccurred);
}

}  // namespace
}  // namespace encoder_test

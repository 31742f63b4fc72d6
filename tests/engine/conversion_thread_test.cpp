// Starting a conversion on its own thread, and the end notice it gives
// exactly once: after a run, after a refusal, or for a run that never was.
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <thread>

#include "engine/transcoder.h"
#include "engine_fixture.h"
#include "media/bridges/main_thread.h"
#include "sound_files.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;

fs::path Scratch(const std::string& name) {
  const char* base = std::getenv("LS_TEST_TMP");
  fs::path dir = (base ? fs::path(base) : fs::temp_directory_path()) / "conversion_thread" /
                 std::to_string(getpid()) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string Tone(const fs::path& dir) {
  return WriteWav(dir / "tone.wav", 8000, 1, 8000,
                  [](int, int i) { return int16_t(8000 * std::sin(i * 0.2)); });
}

struct Notices {
  std::atomic<int> count{0};
  std::thread::id thread;
  bool outputPresent = false;
  void Attach(engine::TTranscoder& engine, const fs::path& output) {
    engine.OnTerminate = [this, output] {
      thread = std::this_thread::get_id();
      outputPresent = fs::exists(output);
      ++count;
    };
  }
  bool Wait(int n) {
    return media::WaitServingMainThreadCalls([&] { return count >= n; }, std::chrono::minutes(1));
  }
};

class ConversionThreadTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    media::InitMainThread();
  }
};

TEST_F(ConversionThreadTest, ThreadedRunEndsWithOneNoticeOnTheWorkerAndCannotRestart) {
  const fs::path dir = Scratch("threaded");
  const fs::path out = dir / "tone.flac";
  engine::TTranscoder engine;
  Notices notices;
  notices.Attach(engine, out);
  ASSERT_EQ(engine.OpenInput(Tone(dir)), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:a flac");
  ASSERT_EQ(engine.OpenOutput(out.string()), 0) << engine.LastErrorText();
  EXPECT_TRUE(engine.Start(true));
  EXPECT_FALSE(engine.Start(true)) << "a running engine starts no second worker";
  ASSERT_TRUE(notices.Wait(1));
  engine.Stop(true);
  EXPECT_EQ(notices.count, 1);
  EXPECT_NE(notices.thread, std::this_thread::get_id());
  EXPECT_TRUE(engine.Finished());
  EXPECT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_TRUE(notices.outputPresent);
  EXPECT_TRUE(engine.Terminated());
  EXPECT_FALSE(engine.Running());
  EXPECT_FALSE(engine.Start(false)) << "an ended engine is never started again";
  engine.Terminate(true);
  EXPECT_EQ(notices.count, 1);
}

TEST_F(ConversionThreadTest, RunWithoutThreadEndsBeforeStartReturns) {
  const fs::path dir = Scratch("inline");
  const fs::path out = dir / "tone.flac";
  engine::TTranscoder engine;
  Notices notices;
  notices.Attach(engine, out);
  ASSERT_EQ(engine.OpenInput(Tone(dir)), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:a flac");
  ASSERT_EQ(engine.OpenOutput(out.string()), 0) << engine.LastErrorText();
  EXPECT_FALSE(engine.Start(false));
  EXPECT_EQ(notices.count, 1);
  EXPECT_EQ(notices.thread, std::this_thread::get_id());
  EXPECT_TRUE(engine.Finished());
}

TEST_F(ConversionThreadTest, StartWithoutOutputGivesTheNoticeAtOnce) {
  const fs::path dir = Scratch("no_output");
  engine::TTranscoder engine;
  Notices notices;
  notices.Attach(engine, dir / "none");
  ASSERT_EQ(engine.OpenInput(Tone(dir)), 0) << engine.LastErrorText();
  EXPECT_FALSE(engine.Start(true));
  EXPECT_EQ(notices.count, 1);
  EXPECT_TRUE(engine.ErrorOccurred());
  EXPECT_EQ(engine.ErrorMessage(), "At least one output file must be specified");
  EXPECT_TRUE(WasLogged(media::llQuiet, "At least one output file must be specified"));
}

TEST_F(ConversionThreadTest, TerminatingAnEngineThatNeverRanNotifiesOnceOnAnotherThread) {
  const fs::path dir = Scratch("never_ran");
  const fs::path out = dir / "tone.flac";
  engine::TTranscoder engine;
  Notices notices;
  notices.Attach(engine, out);
  ASSERT_EQ(engine.OpenInput(Tone(dir)), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:a flac");
  ASSERT_EQ(engine.OpenOutput(out.string()), 0) << engine.LastErrorText();
  engine.Terminate(true);
  EXPECT_EQ(notices.count, 1);
  EXPECT_NE(notices.thread, std::this_thread::get_id());
  // Nothing was written, and the empty file was gone before the notice.
  EXPECT_FALSE(notices.outputPresent);
  EXPECT_FALSE(fs::exists(out));
  engine.Terminate(true);
  EXPECT_EQ(notices.count, 1);
  EXPECT_FALSE(engine.Start(true));
}

TEST_F(ConversionThreadTest, PreviewFlagsReadBackAndNeedNoRun) {
  engine::TTranscoder engine;
  engine.SetPreviewFlags(engine::TTranscoder::kPreviewWindow | engine::TTranscoder::kPreviewBitmap);
  EXPECT_EQ(engine.PreviewFlags(), 3);
  engine.SetPreviewFlags(0);
  EXPECT_EQ(engine.PreviewFlags(), 0);
}

}  // namespace
}  // namespace engine_test

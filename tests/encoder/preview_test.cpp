// Previews of the frames being encoded: in a window the application makes
// (a recording stand-in here) or as bitmaps through the event.
#include <mutex>

#include "encoder_support.h"
#include "gfx/bitmap.h"
#include "media/binding/ff_entry_points.h"
#include "media/bridges/main_thread.h"
#include "media/bridges/previewer.h"

namespace encoder_test {
namespace {

using encoder::TFFEncoder;

// Stands in for the application's window; records what the previewer does.
struct WindowRecord {
  int made = 0;
  int destroyed = 0;
  int paints = 0;
  int width = 0, height = 0;
  std::vector<std::string> captions;
  bool offMainThread = false;
  int closeAfterPaints = -1;  // the user closes the window after so many
};

class RecordingWindow : public media::TPreviewWindow {
 public:
  RecordingWindow(WindowRecord& record, std::function<void()> onClosed)
      : record_(record), onClosed_(std::move(onClosed)) {}
  ~RecordingWindow() override {
    record_.offMainThread |= !media::IsMainThread();
    ++record_.destroyed;
  }
  void Paint(const gfx::Bitmap& bitmap, const std::string& caption) override {
    record_.offMainThread |= !media::IsMainThread();
    ++record_.paints;
    record_.captions.push_back(caption);
    EXPECT_EQ(bitmap.Width(), 160);
    if (record_.paints == record_.closeAfterPaints) onClosed_();
  }

 private:
  WindowRecord& record_;
  std::function<void()> onClosed_;
};

class PreviewTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitMedia(); }
  void SetUp() override {
    media::SetPreviewWindowFactory([this](int w, int h, std::function<void()> onClosed) {
      window.offMainThread |= !media::IsMainThread();
      ++window.made;
      window.width = w;
      window.height = h;
      return std::make_unique<RecordingWindow>(window, std::move(onClosed));
    });
  }
  void TearDown() override { media::SetPreviewWindowFactory(nullptr); }

  WindowRecord window;
};

struct BitmapPreview {
  int frameNumber;
  int64_t pts;
  int64_t at;  // µs
  int width;
};

TEST_F(PreviewTest, BitmapsComeFromTheFirstFrameOnAtMostEveryHundredMilliseconds) {
  const fs::path dir = Scratch("bitmaps");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  enc.SetTriggerEventInMainThread(false);
  enc.SetPreviewBitmap(true);
  std::mutex lock;
  std::vector<BitmapPreview> previews;
  enc.OnPreviewBitmap = [&](encoder::TCustomEncoder*, const encoder::TPreviewInfo& p) {
    std::lock_guard guard(lock);
    previews.push_back({p.FrameNumber, p.PTS, ff::av_gettime(), p.Bitmap->Width()});
  };
  FrameSource source(24);
  ASSERT_EQ(AddSourceTask(enc, source, dir / "bitmaps.mp4", /*realTime=*/true), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  std::lock_guard guard(lock);
  ASSERT_FALSE(previews.empty());
  EXPECT_EQ(previews[0].frameNumber, 1);
  EXPECT_EQ(previews[0].pts, 0);
  EXPECT_EQ(previews[0].width, 160);
  // 24 frames at 30/s: 0.8 s, so at most nine previews.
  EXPECT_LE(previews.size(), 9u);
  EXPECT_GE(previews.size(), 2u);
  for (size_t i = 1; i < previews.size(); ++i) {
    EXPECT_GT(previews[i].frameNumber, previews[i - 1].frameNumber);
    EXPECT_GT(previews[i].at - previews[i - 1].at, 100000 - 2000) << i;
  }
  EXPECT_EQ(window.made, 0);
}

TEST_F(PreviewTest, BitmapEventWinsOverTheWindow) {
  const fs::path dir = Scratch("both");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  enc.SetPreview(true);
  enc.SetPreviewBitmap(true);
  int bitmaps = 0;
  enc.OnPreviewBitmap = [&](encoder::TCustomEncoder*, const encoder::TPreviewInfo&) { ++bitmaps; };
  FrameSource source(10);
  ASSERT_EQ(AddSourceTask(enc, source, dir / "both.mp4"), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  EXPECT_GE(bitmaps, 1);
  EXPECT_EQ(window.made, 0);
}

TEST_F(PreviewTest, WindowShowsTheFirstFrameAtOnceAtItsSizeOnTheMainThread) {
  const fs::path dir = Scratch("window");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  enc.SetPreview(true);
  FrameSource source(10);
  ASSERT_EQ(AddSourceTask(enc, source, dir / "window.mp4"), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  EXPECT_EQ(window.made, 1);
  EXPECT_EQ(window.width, 160);
  EXPECT_EQ(window.height, 120);
  ASSERT_GE(window.paints, 1);
  EXPECT_EQ(window.captions[0], "00:00:00.000");
  EXPECT_FALSE(window.offMainThread);
  // The window goes with the conversion.
  EXPECT_EQ(window.destroyed, 1);
  EXPECT_EQ(CountVideoFrames(dir / "window.mp4"), 10);
}

TEST_F(PreviewTest, ClosingTheWindowEndsPreviewsButNotTheRun) {
  const fs::path dir = Scratch("closed");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  enc.SetPreview(true);
  window.closeAfterPaints = 2;
  FrameSource source(30);
  ASSERT_EQ(AddSourceTask(enc, source, dir / "closed.mp4", /*realTime=*/true), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  EXPECT_EQ(window.made, 1);
  EXPECT_EQ(window.paints, 2);
  EXPECT_EQ(window.destroyed, 1);
  EXPECT_TRUE(log.events[0].Finished);
  EXPECT_EQ(CountVideoFrames(dir / "closed.mp4"), 30);
}

TEST_F(PreviewTest, SwitchingPreviewOffAndOnDuringTheRunOpensANewWindow) {
  const fs::path dir = Scratch("toggle");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  enc.SetPreview(true);
  FrameSource source(30);
  int destroyedWhenOff = -1;
  source.onFrame = [&](int n) {
    if (n == 10) {
      enc.SetPreview(false);
      destroyedWhenOff = window.destroyed;
    }
    if (n == 15) enc.SetPreview(true);
  };
  ASSERT_EQ(AddSourceTask(enc, source, dir / "toggle.mp4", /*realTime=*/true), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  // Switched off: the window went at once.
  EXPECT_EQ(destroyedWhenOff, 1);
  EXPECT_EQ(window.made, 2);
  EXPECT_EQ(window.destroyed, 2);
  EXPECT_TRUE(log.events[0].Finished);
  EXPECT_EQ(CountVideoFrames(dir / "toggle.mp4"), 30);
}

TEST_F(PreviewTest, WithoutAWindowFactoryTheRunGoesOn) {
  media::SetPreviewWindowFactory(nullptr);
  const fs::path dir = Scratch("no_factory");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  enc.SetPreview(true);
  FrameSource source(10);
  ASSERT_EQ(AddSourceTask(enc, source, dir / "plain.mp4"), 0);
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  EXPECT_TRUE(log.events[0].Finished);
  EXPECT_EQ(CountVideoFrames(dir / "plain.mp4"), 10);
}

TEST(PreviewCaptionTest, TimeOfTheFrame) {
  EXPECT_EQ(media::PreviewCaption(0), "00:00:00.000");
  EXPECT_EQ(media::PreviewCaption(3723456789), "01:02:03.456");
  EXPECT_EQ(media::PreviewCaption(AV_NOPTS_VALUE), "N/A");
}

}  // namespace
}  // namespace encoder_test

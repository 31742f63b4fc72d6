// Slides that move, fill, blur or carry captions, through the timeline.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "slideshow/slideshow_timeline.h"
#include "test_pictures.h"

namespace {

using namespace slideshow;

Show TwoSlideShow(const std::string& name) {
  const auto dir = testpics::ScratchDir(name);
  Show show;
  show.Settings.Width = 64;
  show.Settings.Height = 36;
  show.Settings.Hold = 0.5L;
  show.Settings.Transition = 0.2L;
  show.Settings.Effect = {EffectMode::Fixed, 1};
  for (int i = 0; i < 2; ++i) {
    const std::string path = (dir / ("d" + std::to_string(i) + ".bmp")).string();
    testpics::WriteBmp24(path, 90, 60, [i](int x, int y) { return uint32_t(0x404040 * i + 0x30201 * (x + y)); });
    show.Slides.emplace_back().Picture = path;
  }
  return show;
}

bool Same(const gfx::Bitmap& a, const gfx::Bitmap& b) {
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), size_t(a.Width()) * 4) != 0) return false;
  return true;
}

// A moving slide changes in every frame it is on screen, transitions
// included, and the run still hands out exactly its planned frames.
TEST(DressedTimeline, MovingSlidesChangeEveryFrameOfTheirTimeOnScreen) {
  Show show = TwoSlideShow("moving");
  show.Settings.Motion.kind = MotionKind::ZoomIn;
  show.Settings.Motion.easing = Easing::Linear;
  TSlideshowTimeline tl;
  tl.PrepareTimeline(show);
  gfx::Bitmap frame(64, 36), last(64, 36);
  long long frames = 0, kept = 0, unchanged = 0;
  int result = 0;
  while ((result = tl.ReadFrameOntoKeptCanvas(frame.GetCanvas())) >= 0) {
    // The last two frames are the black tail.
    if (frames > 0 && frames < tl.TotalFrames() - 2) {
      kept += result == gfx::frUnchanged;
      unchanged += Same(frame, last);
    }
    last.GetCanvas().CopyRect(0, 0, 64, 36, frame, 0, 0);
    ++frames;
  }
  EXPECT_EQ(frames, tl.TotalFrames());
  EXPECT_EQ(kept, 0);
  EXPECT_EQ(unchanged, 0);
}

// A caption fades in over a filled picture: absent in the first frame,
// drawn at full strength mid-hold; a missing font is reported, not fatal.
TEST(DressedTimeline, CaptionFadesInAndAMissingFontIsANote) {
  Show show = TwoSlideShow("caption");
  show.Settings.Fit = FitMode::Fill;
  show.Settings.Captions.fade = 0.1;
  show.Settings.Captions.size = 0.3;
  show.Settings.Captions.font = "Missing Family Qq";
  show.Slides[0].Caption = "Hi";
  Show plain = show;
  plain.Slides[0].Caption.clear();
  std::vector<std::unique_ptr<gfx::Bitmap>> withCaption, without;
  std::string notes;
  for (Show* s : {&show, &plain}) {
    TSlideshowTimeline tl;
    tl.OnNote = [&](const std::string& n) { notes += n; };
    tl.PrepareTimeline(*s);
    auto& out = s == &show ? withCaption : without;
    for (int n = 0; n < 12; ++n) {
      out.push_back(std::make_unique<gfx::Bitmap>(64, 36));
      ASSERT_EQ(tl.FIAReadFrameCanvas(out.back()->GetCanvas()), 0);
    }
  }
  EXPECT_NE(notes.find("Missing Family Qq"), std::string::npos);
  EXPECT_TRUE(Same(*withCaption[0], *without[0]));
  EXPECT_FALSE(Same(*withCaption[10], *without[10]));
}

}  // namespace

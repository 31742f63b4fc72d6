// A held picture's repeats reach the encoder without being converted again,
// and the video is the same as when every frame is converted.
#include <string>
#include <vector>

#include "e2e_support.h"
#include "media/frame_source/frame_input_adapter.h"
#include "slideshow/slideshow_timeline.h"

namespace e2e {
namespace {

struct HeldRun {
  bool keptCanvas = true;     // the composer may leave repeats alone
  std::string videoFilters;   // "-vf" of the output, if any
  bool inputHook = false;     // a frame hook that looks at every decoded picture
  // Results.
  long long hookCalls = 0;
  long long frames = 0;
  long long repeatsMarked = 0;
  int64_t converted = 0, reused = 0, dups = 0, drops = 0;
  std::string error;
  FileFacts facts;
};

void Execute(HeldRun& run, const std::vector<std::string>& pictures, const std::string& output) {
  slideshow::TSlideshowTimeline timeline;
  timeline.Pictures = pictures;
  timeline.BreakWhenNoPictures = false;
  slideshow::TimelineSettings settings;
  settings.FrameSize = "320x240";
  settings.PictureDelay = "0.5";
  settings.TransitionDelay = "0.3";
  timeline.PrepareTimeline(settings);
  run.frames = timeline.TotalFrames();

  media::TFrameInputAdapter adapter;
  adapter.OnReadFrameCanvas = [&](media::TFrameInputAdapter*, gfx::Canvas& canvas,
                                  media::PInputFrameInfo) {
    if (!run.keptCanvas) return timeline.FIAReadFrameCanvas(canvas);
    const gfx::TFrameResult r = timeline.ReadFrameOntoKeptCanvas(canvas);
    if (r == gfx::frUnchanged) ++run.repeatsMarked;
    return int(r);
  };
  engine::TTranscoder engine;
  // Every run converts through the graph, so that "-vf null" gives the same bytes.
  engine.Settings().plain_colour = false;
  if (run.inputHook)
    engine.OnFrameInputHook = [&run](const engine::FrameHookCall&) { ++run.hookCalls; };
  engine.ParseOptions("-f frameinput -input_type canvas -pix_fmt bgra -r 30/1 -s 320x240");
  ASSERT_GE(engine.OpenInput(adapter.InputFileName()), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:v libx264 -r 30/1 -s 320x240" +
                      (run.videoFilters.empty() ? "" : " -vf " + run.videoFilters));
  ASSERT_GE(engine.OpenOutput(output), 0) << engine.LastErrorText();
  engine.Run();
  if (engine.ErrorOccurred()) run.error = engine.ErrorMessage();
  run.converted = engine.ConvertedPictures();
  run.reused = engine.ReusedPictures();
  run.dups = engine.DupCount();
  run.drops = engine.DropCount();
  run.facts = Probe(output, true);
}

TEST(HeldPictureTest, RepeatsAreEncodedUnconvertedAndTheVideoStaysTheSame) {
  InitMedia();
  const fs::path dir = Scratch("held_picture");
  const std::vector<std::string> pictures = MakePictures(dir);

  HeldRun every;
  every.keptCanvas = false;
  Execute(every, pictures, (dir / "every.mp4").string());
  HeldRun held;
  Execute(held, pictures, (dir / "held.mp4").string());
  // A filter may treat each picture differently: every one goes through it.
  HeldRun filtered;
  filtered.videoFilters = "null";
  Execute(filtered, pictures, (dir / "filtered.mp4").string());
  // So may a hook: it must be called for every picture.
  HeldRun hooked;
  hooked.inputHook = true;
  Execute(hooked, pictures, (dir / "hooked.mp4").string());

  for (const HeldRun* run : {&every, &held, &filtered, &hooked}) {
    EXPECT_EQ(run->error, "");
    EXPECT_EQ(run->dups + run->drops, 0);
    EXPECT_EQ(run->converted + run->reused, run->frames) << "one encoder frame per composed frame";
    const StreamFacts* v = run->facts.Find(AVMEDIA_TYPE_VIDEO);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->frames, run->frames);
  }
  // 3 pictures held 15 frames each: 14 repeats apiece, and one more as the
  // transition out of each opens by showing it whole.
  EXPECT_EQ(every.reused, 0);
  EXPECT_EQ(held.repeatsMarked, 3 * 15);
  EXPECT_EQ(held.reused, 3 * 15);
  EXPECT_EQ(filtered.repeatsMarked, 3 * 15);
  EXPECT_EQ(filtered.reused, 0);
  EXPECT_EQ(hooked.reused, 0);
  EXPECT_EQ(hooked.hookCalls, hooked.frames);

  // The encoder saw the same pictures at the same times: the same video.
  const auto& a = every.facts.Find(AVMEDIA_TYPE_VIDEO)->pictures;
  const auto& b = held.facts.Find(AVMEDIA_TYPE_VIDEO)->pictures;
  const auto& c = filtered.facts.Find(AVMEDIA_TYPE_VIDEO)->pictures;
  const auto& d = hooked.facts.Find(AVMEDIA_TYPE_VIDEO)->pictures;
  ASSERT_EQ(a.size(), size_t(every.frames));
  ASSERT_EQ(b.size(), a.size());
  ASSERT_EQ(c.size(), a.size());
  ASSERT_EQ(d.size(), a.size());
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_TRUE(b[i] == a[i]) << "frame " << i;
    EXPECT_TRUE(c[i] == a[i]) << "frame " << i;
    EXPECT_TRUE(d[i] == a[i]) << "frame " << i;
  }
}

}  // namespace
}  // namespace e2e

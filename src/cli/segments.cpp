#include "cli/segments.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "cli/render_options.h"
#include "effects/effect.h"
#include "slideshow/look.h"
#include "slideshow/slideshow_timeline.h"

namespace cli {
namespace {

// The first frame of every picture's hold.
std::vector<int64_t> HoldStarts(const slideshow::ShowPlan& plan) {
  std::vector<int64_t> starts;
  int64_t at = plan.Transitions.empty() ? 0 : plan.Transitions[0].Frames;
  for (size_t i = 0; i < plan.HoldFrames.size(); ++i) {
    starts.push_back(at);
    at += plan.HoldFrames[i];
    if (i + 1 < plan.Transitions.size()) at += plan.Transitions[i + 1].Frames;
  }
  return starts;
}

uint64_t Fnv1a(const std::string& text) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
  return h;
}

// Sixteen hex digits of the text's FNV-1a hash.
std::string Fingerprint(const std::string& text) {
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fnv1a(text)));
  return hex;
}

}  // namespace

FrameSpan PartFrames(const slideshow::ShowPlan& plan, int index, int count) {
  const std::vector<int64_t> starts = HoldStarts(plan);
  const int pictures = int(starts.size());
  // A part before the first hold would hold nothing but the opening.
  if (count > pictures)
    throw UsageError("--segment: the show has " + std::to_string(pictures) + " picture" +
                     (pictures == 1 ? "" : "s") + ", so it splits into at most " +
                     std::to_string(pictures) + " parts");
  const int64_t total = plan.TotalFrames();
  // cuts[k] starts part k + 1 (0-based), at hold start cuts[k].
  std::vector<int> cuts;
  for (int k = 1, lo = 1; k < count; ++k) {
    const int hi = pictures - count + k;
    const int64_t target = total * k / count;
    int best = lo;
    for (int j = lo; j <= hi; ++j)
      if (std::llabs(starts[j] - target) < std::llabs(starts[best] - target)) best = j;
    cuts.push_back(best);
    lo = best + 1;
  }
  FrameSpan span;
  span.First = index == 1 ? 0 : starts[cuts[index - 2]];
  span.End = index == count ? total : starts[cuts[index - 1]];
  return span;
}

int HoldPicture(const slideshow::ShowPlan& plan, int64_t frame) {
  const std::vector<int64_t> starts = HoldStarts(plan);
  int picture = 0;
  for (int j = 0; j < int(starts.size()) && starts[j] <= frame; ++j) picture = j;
  return picture;
}

int FirstPictureToMake(const slideshow::Show& show, const slideshow::ShowPlan& plan, int64_t firstFrame) {
  const int first = HoldPicture(plan, firstFrame);
  for (const slideshow::Slide& slide : show.Slides)
    if (!slideshow::IsPlainLook(slideshow::Resolve(show.Settings, slide).Look)) return 0;
  // The transitions out of the part's pictures; those before it paint nothing it shows.
  for (size_t i = size_t(first) + 1; i < plan.Transitions.size(); ++i) {
    const slideshow::TransitionPlan& t = plan.Transitions[i];
    if (t.Frames == 0 || t.Effect.Mode == slideshow::EffectMode::None) continue;
    // A sequential row follows the rows before it: not known here.
    if (t.Effect.Mode == slideshow::EffectMode::Sequential) return 0;
    const int row = t.Effect.Mode == slideshow::EffectMode::Fixed ? t.Effect.Number : t.Drawn;
    if (effects::SeedsFromPicture(row)) return 0;
  }
  return first;
}

std::string PartTagText(const PartTag& t) {
  if (t.Sound)
    return "lanternslide sound of " + std::to_string(t.ShowFrames) + " show " + t.Show + " music " + t.Music;
  return "lanternslide part " + std::to_string(t.Index) + "/" + std::to_string(t.Count) +
         " frames " + std::to_string(t.Frames.First) + "-" + std::to_string(t.Frames.End) + " of " +
         std::to_string(t.ShowFrames) + " show " + t.Show;
}

namespace {

std::optional<PartTag> ParseSoundTag(const std::string& text) {
  std::istringstream in(text);
  std::string word[5];
  PartTag t;
  t.Sound = true;
  in >> word[0] >> word[1] >> word[2] >> t.ShowFrames >> word[3] >> t.Show >> word[4] >> t.Music;
  if (!in || word[0] != "lanternslide" || word[1] != "sound" || word[2] != "of" || word[3] != "show" ||
      word[4] != "music" ||
      !(in >> std::ws).eof() || t.ShowFrames < 1)
    return std::nullopt;
  return t;
}

}  // namespace

std::optional<PartTag> ParsePartTag(const std::string& text) {
  if (text.rfind("lanternslide sound ", 0) == 0) return ParseSoundTag(text);
  std::istringstream in(text);
  std::string word[5];
  PartTag t;
  char slash = 0, dash = 0;
  in >> word[0] >> word[1] >> t.Index >> slash >> t.Count >> word[2] >> t.Frames.First >> dash >>
      t.Frames.End >> word[3] >> t.ShowFrames >> word[4] >> t.Show;
  if (!in || word[0] != "lanternslide" || word[1] != "part" || slash != '/' || word[2] != "frames" ||
      dash != '-' || word[3] != "of" || word[4] != "show" || !(in >> std::ws).eof())
    return std::nullopt;
  if (t.Count < 1 || t.Index < 1 || t.Index > t.Count || t.Frames.First < 0 ||
      t.Frames.First >= t.Frames.End || t.Frames.End > t.ShowFrames)
    return std::nullopt;
  return t;
}

std::string ShowFingerprint(const slideshow::TSlideshowTimeline& timeline, const std::string& size,
                            const std::string& rate) {
  return ShowFingerprint(timeline.Pictures, timeline.Plan, size, rate);
}

std::string ShowFingerprint(const std::vector<std::string>& pictures, const slideshow::ShowPlan& plan,
                            const std::string& size, const std::string& rate) {
  std::string text = size + " " + rate;
  for (const std::string& p : pictures) text += "|" + std::filesystem::path(p).filename().string();
  for (int hold : plan.HoldFrames) text += " h" + std::to_string(hold);
  for (const slideshow::TransitionPlan& t : plan.Transitions)
    text += " t" + std::to_string(t.Frames) + ":" + std::to_string(int(t.Effect.Mode)) + ":" +
            std::to_string(t.Effect.Number) + ":" + std::to_string(t.Drawn);
  if (plan.Seed) text += " s" + std::to_string(*plan.Seed);
  return Fingerprint(text);
}

std::string MusicFingerprint(const std::vector<std::string>& files, const std::string& settings) {
  std::string text = settings;
  for (const std::string& f : files) text += "|" + std::filesystem::path(f).filename().string();
  return Fingerprint(text);
}

gfx::TFrameResult PartReader::Read(slideshow::TSlideshowTimeline& timeline, gfx::Canvas& canvas) {
  for (; next_ < span_.First; ++next_)
    if (!timeline.SkipFrame()) return gfx::frEnd;
  if (next_ >= span_.End) return gfx::frEnd;
  gfx::TFrameResult r = timeline.ReadFrameOntoKeptCanvas(canvas);
  // The canvas shows the frame, but the encoder has none before it to repeat.
  if (r == gfx::frUnchanged && next_ == span_.First) r = gfx::frFrame;
  if (r != gfx::frEnd) ++next_;
  return r;
}

}  // namespace cli

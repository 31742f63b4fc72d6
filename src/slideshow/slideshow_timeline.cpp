#include "slideshow_timeline.h"

#include <climits>
#include <string_view>

#include "effects/effect.h"
#include "gfx/arith.h"
#include "gfx/picture_file.h"
#include "gfx/smooth_stretch.h"
#include "text_values.h"

namespace slideshow {

namespace {

constexpr int kDefaultSide = 320;
constexpr int kDefaultRateNumerator = 30;
constexpr int kDefaultRateDenominator = 1;
// An unreadable delay means two seconds, for either field.
constexpr long double kDefaultDelay = 2.0L;

// Splits at the first separator; without one the head is empty and the whole
// text is the tail.
std::pair<std::string_view, std::string_view> SplitAtFirst(std::string_view text, char sep) {
  const size_t at = text.find(sep);
  if (at == std::string_view::npos) return {std::string_view(), text};
  return {text.substr(0, at), text.substr(at + 1)};
}

gfx::DecodeOptions PictureOptions(const TSlideshowTimeline& t) {
  gfx::DecodeOptions options;
  options.ExifOrientation = t.ExifOrientation;
  options.FrameWidth = t.FrameWidth;
  options.FrameHeight = t.FrameHeight;
  options.ReduceToFrame = t.SmoothFit;
  return options;
}

// Decodes a picture file into `decoded` and draws it into `frame` (of the
// frame size), fitted, on black. Nothing reads the decoded picture again;
// its memory is left to the caller, to give back or to decode into again.
void FitPicture(const std::string& path, const gfx::DecodeOptions& options, bool smooth,
                gfx::Bitmap& decoded, gfx::Bitmap& frame) {
  // The fit follows the picture's own size; a large JPEG may come decoded
  // smaller, and is stretched from that into the same rectangle.
  const gfx::PictureSize size = gfx::DecodePicture(path, decoded, options);
  const gfx::Rect frameRect{0, 0, options.FrameWidth, options.FrameHeight};
  const gfx::Rect destRect = gfx::FitRect({0, 0, size.Width, size.Height}, frameRect);
  {
    gfx::Canvas& canvas = frame.GetCanvas();
    gfx::CanvasLock lock(canvas);
    canvas.FillRect(frameRect, gfx::clBlack);
    if (smooth) {
      gfx::SmoothStretch(frame, destRect, decoded);
      frame.RenewHandle();
    } else {
      canvas.SetStretchMode(gfx::StretchMode::ColorOnColor);
      canvas.StretchDraw(destRect, decoded);
    }
  }
  decoded.Clear();
}

}  // namespace

TSlideshowTimeline::TSlideshowTimeline() {
  for (gfx::Bitmap* b : {&OutgoingBitmap, &IncomingBitmap, &CompositeBitmap})
    b->SetPixelFormat(gfx::PixelFormat::pf32bit);
}

Show UniformShow(const TimelineSettings& settings, const std::vector<std::string>& pictures) {
  Show show;
  ShowSettings& s = show.Settings;
  const auto [widthText, heightText] = SplitAtFirst(settings.FrameSize, 'x');
  s.Width = ReadInteger(widthText).value_or(kDefaultSide);
  s.Height = ReadInteger(heightText).value_or(kDefaultSide);
  const auto [numText, denText] = SplitAtFirst(settings.FrameRate, '/');
  s.Rate.Numerator = ReadInteger(numText).value_or(kDefaultRateNumerator);
  s.Rate.Denominator = ReadInteger(denText).value_or(kDefaultRateDenominator);
  s.Hold = ReadDecimal(settings.PictureDelay, settings.DecimalSeparator).value_or(kDefaultDelay);
  s.Transition =
      ReadDecimal(settings.TransitionDelay, settings.DecimalSeparator).value_or(kDefaultDelay);
  s.Effect.Mode = settings.RandomEffects ? EffectMode::Random : EffectMode::Sequential;
  s.ExifOrientation = settings.ExifOrientation;
  s.Scale = settings.SmoothFit ? Scaling::Smooth : Scaling::Nearest;
  for (const std::string& picture : pictures) show.Slides.emplace_back().Picture = picture;
  return show;
}

void TSlideshowTimeline::PrepareTimeline(const TimelineSettings& settings) {
  const Show show = UniformShow(settings, Pictures);
  const ShowSettings& s = show.Settings;
  // The texts accept sizes that cannot make a picture; refuse them here
  // rather than build empty or gigantic bitmaps.
  if (s.Width < 1 || s.Width > kMaxFrameSide || s.Height < 1 || s.Height > kMaxFrameSide) {
    throw TimelineError("Frame size \"" + settings.FrameSize + "\" gives " +
                        std::to_string(s.Width) + " x " + std::to_string(s.Height) +
                        " pixels; width and height must be 1 to " +
                        std::to_string(kMaxFrameSide) + ".");
  }
  SetUpRun(show);
}

void TSlideshowTimeline::PrepareTimeline(const Show& show) {
  const ShowSettings& s = show.Settings;
  if (s.Width < 1 || s.Width > kMaxFrameSide || s.Height < 1 || s.Height > kMaxFrameSide) {
    throw TimelineError("Frame size " + std::to_string(s.Width) + " x " +
                        std::to_string(s.Height) + ": width and height must be 1 to " +
                        std::to_string(kMaxFrameSide) + ".");
  }
  Pictures.clear();
  for (const Slide& slide : show.Slides) Pictures.push_back(slide.Picture);
  SetUpRun(show);
}

void TSlideshowTimeline::SetUpRun(const Show& show) {
  const ShowSettings& s = show.Settings;
  prefetch_.Cancel();
  TailFrames = 0;
  InTransition = true;
  FrameWidth = s.Width;
  FrameHeight = s.Height;
  for (gfx::Bitmap* b : {&OutgoingBitmap, &IncomingBitmap, &CompositeBitmap}) {
    b->SetPixelFormat(gfx::PixelFormat::pf32bit);
    b->SetSize(FrameWidth, FrameHeight);
  }
  PictureIndex = -1;
  HoldCounter = 0;

  Plan = PlanShow(show);
  showEffect_ = s.Effect;
  RandomEffects = s.Effect.Mode == EffectMode::Random;
  FramesPerPicture = Plan.HoldFrames.empty() ? FramesFor(s.Rate, s.Hold) : Plan.HoldFrames[0];
  FramesPerTransition = Plan.Transitions[0].Frames;
  // A sequential intro takes the row the last run left off at.
  if (EffectIndex < 1 || EffectIndex > effects::kEffectCount) EffectIndex = 1;
  if (Plan.Transitions[0].Effect.Mode != EffectMode::Sequential) NextEffect();

  TransitionCounter = 0;
  LastProgress = -1;
  composed_ = {};
  keptCanvas_ = nullptr;
  skipped_.reset();
  unmadeBefore_ = 0;

  ExifOrientation = s.ExifOrientation;
  SmoothFit = s.Scale == Scaling::Smooth;
  // Slides that all look plain take the plain path: their frames stay as they were.
  looks_.clear();
  bool anyDressed = false;
  for (const Slide& slide : show.Slides) {
    looks_.push_back(Resolve(s, slide).Look);
    anyDressed = anyDressed || !IsPlainLook(looks_.back());
  }
  if (!anyDressed) looks_.clear();
  rate_ = s.Rate;
  incomingSlide_ = outgoingSlide_ = prefetchedSlide_ = {};
  moment_ = 0;
  // The first picture is made while the caller sets up the rest.
  PrefetchPicture(0);
}

int TSlideshowTimeline::FIAReadFrameCanvas(gfx::Canvas& ACanvas) {
  return ReadFrame(ACanvas, false) == gfx::frEnd ? -1 : 0;
}

gfx::TFrameResult TSlideshowTimeline::ReadFrameOntoKeptCanvas(gfx::Canvas& ACanvas) {
  return ReadFrame(ACanvas, true);
}

// Moves the timeline on by one frame and says what it shows; false at the end.
bool TSlideshowTimeline::NextContent(FrameContent& content) {
  // A cut switches the pictures as a transition would, in no frames.
  while (InTransition && TransitionCounter == 0 && FramesPerTransition == 0 &&
         PictureIndex < static_cast<int>(Pictures.size())) {
    ChooseContent();
    EndTransition();
  }
  if (PictureIndex >= static_cast<int>(Pictures.size())) {
    if (BreakWhenNoPictures && OnStopRequest) OnStopRequest();
    InTransition = false;
    if (TailFrames > 1) return false;
  }
  ChooseContent();
  PaintMoments();
  content = AdvanceTimeline();
  return true;
}

gfx::TFrameResult TSlideshowTimeline::ReadFrame(gfx::Canvas& ACanvas, bool canvasKept) {
  FrameContent content;
  if (!NextContent(content)) return gfx::frEnd;

  // Hand the frame out.
  const bool kept = canvasKept && keptCanvas_ == &ACanvas && kept_ == content;
  if (!kept) PaintFrame(ACanvas, content);
  keptCanvas_ = canvasKept ? &ACanvas : nullptr;
  kept_ = content;
  return kept ? gfx::frUnchanged : gfx::frFrame;
}

bool TSlideshowTimeline::SkipFrame() {
  FrameContent content;
  if (!NextContent(content)) return false;
  // The frame a kept canvas would have repainted: only then does the effect draw.
  const bool painted = !skipped_ || !(*skipped_ == content);
  if (painted && content.progress > 0 && effects::DrawsFromSharedGenerator(content.effect)) {
    TransitionOnto(CompositeBitmap, content.progress, content.effect);
    composed_ = content;
  }
  skipped_ = content;
  keptCanvas_ = nullptr;
  return true;
}

void TSlideshowTimeline::PassOverPicturesBefore(int index) {
  unmadeBefore_ = index;
  MakePicturesAhead = true;
  if (index == 0) PrefetchPicture(0);
}

void TSlideshowTimeline::ChooseContent() {
  const int pictureCount = static_cast<int>(Pictures.size());
  if (PictureIndex < 0) {
    if (TransitionCounter == 0) {
      FillBlack(OutgoingBitmap);
      outgoingSlide_ = {};
      LoadPicture(0);
      InTransition = true;
    }
  } else if (PictureIndex >= pictureCount) {
    if (TailFrames == 1) FillBlack(IncomingBitmap);
    incomingSlide_ = outgoingSlide_ = {};
    ++TailFrames;
  } else if (InTransition && TransitionCounter == 0) {
    // The held picture goes out with its handle: the transition's first
    // frame, which shows it whole, is then known as the frame before it.
    OutgoingBitmap.Swap(IncomingBitmap);
    outgoingSlide_ = std::move(incomingSlide_);
    incomingSlide_ = {};
    if (PictureIndex < pictureCount - 1)
      LoadPicture(PictureIndex + 1);
    else
      FillBlack(IncomingBitmap);  // the last transition leads to black
  }
}

TSlideshowTimeline::FrameContent TSlideshowTimeline::AdvanceTimeline() {
  if (!InTransition) {
    ++HoldCounter;
    if (HoldCounter >= FramesPerPicture) {
      HoldCounter = 0;
      InTransition = true;
    }
    return {0, IncomingBitmap.Handle(), -1, 0, moment_};
  }
  const int progress = static_cast<int>(int64_t(TransitionCounter) * 100 / FramesPerTransition);
  // A step repeats the frame before it while the progress stays.
  LastProgress = progress;
  // At progress 0 no effect draws: the outgoing picture is shown as held.
  const FrameContent content =
      progress == 0 ? FrameContent{0, OutgoingBitmap.Handle(), -1, 0, moment_}
                    : FrameContent{OutgoingBitmap.Handle(), IncomingBitmap.Handle(), progress,
                                   EffectIndex, moment_};
  ++TransitionCounter;
  if (TransitionCounter >= FramesPerTransition) EndTransition();
  return content;
}

void TSlideshowTimeline::EndTransition() {
  ++PictureIndex;
  // The picture that went out is not shown again: its slide goes before the
  // next one is made, so two dressed slides are alive at a time, not three.
  outgoingSlide_ = {};
  // The next picture is made while this one is held.
  PrefetchPicture(PictureIndex + 1);
  if (PictureIndex < static_cast<int>(Plan.HoldFrames.size()))
    FramesPerPicture = Plan.HoldFrames[PictureIndex];
  if (PictureIndex + 1 < static_cast<int>(Plan.Transitions.size()))
    FramesPerTransition = Plan.Transitions[PictureIndex + 1].Frames;
  NextEffect();
  TransitionCounter = 0;
  LastProgress = -1;
  InTransition = false;
}

void TSlideshowTimeline::PaintFrame(gfx::Canvas& ACanvas, const FrameContent& content) {
  gfx::Bitmap& target = ACanvas.Owner();
  if (content.progress >= 0 && target.Format() == gfx::PixelFormat::pf32bit &&
      target.Width() == FrameWidth && target.Height() == FrameHeight) {
    // No lock on the target here: TransitionOnto takes the locks in the
    // order the other paths take them (the pictures drawn from come first).
    TransitionOnto(target, content.progress, content.effect);
    return;
  }
  // A held frame names the picture it shows by its handle.
  gfx::Bitmap* source =
      content.incoming == OutgoingBitmap.Handle() ? &OutgoingBitmap : &IncomingBitmap;
  if (content.progress >= 0) {
    source = &CompositeBitmap;
    if (!(composed_ == content)) {
      TransitionOnto(CompositeBitmap, content.progress, content.effect);
      composed_ = content;
    }
  }
  gfx::CanvasLock sourceLock(source->GetCanvas());
  gfx::CanvasLock targetLock(ACanvas);
  ACanvas.CopyRect(0, 0, FrameWidth, FrameHeight, *source, 0, 0);
}

void TSlideshowTimeline::LoadPicture(int Index) {
  if (Index < 0 || Index >= static_cast<int>(Pictures.size()))
    throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
  incomingSlide_ = {};
  if (Index < unmadeBefore_) {
    // Not shown: a new handle keeps the frames it would be in apart.
    IncomingBitmap.RenewHandle();
    return;
  }
  if (prefetch_.Take(Index, Pictures[Index], IncomingBitmap)) {
    if (Dressed(Index) && prefetchedSlide_.index == Index) {
      incomingSlide_ = std::move(prefetchedSlide_);
      if (OnNote && !incomingSlide_.picture->Note().empty()) OnNote(incomingSlide_.picture->Note());
    }
    prefetchedSlide_ = {};
    return;
  }
  if (Dressed(Index)) {
    MakeDressed(Index, IncomingBitmap);
    return;
  }
  FitPicture(Pictures[Index], PictureOptions(*this), SmoothFit, DecodeBitmap, IncomingBitmap);
  DecodeBitmap.Release();
}

void TSlideshowTimeline::PrefetchPicture(int Index) {
  if (!MakePicturesAhead || Index < unmadeBefore_ || Index >= static_cast<int>(Pictures.size())) return;
  if (Dressed(Index)) {
    auto slide = std::make_shared<SlidePicture>();
    prefetchedSlide_ = {Index, slide, 0};
    prefetch_.Start(Index, Pictures[Index],
                    [slide, path = Pictures[Index], exif = ExifOrientation, w = FrameWidth,
                     h = FrameHeight, look = looks_[size_t(Index)], Index](gfx::Bitmap& picture,
                                                                          gfx::Bitmap&) {
                      slide->Make(path, exif, w, h, look, Index);
                      picture.SetPixelFormat(gfx::PixelFormat::pf32bit);
                      picture.SetSize(w, h);
                      slide->PaintAt(0, 1, picture);
                    });
    return;
  }
  prefetch_.Start(Index, Pictures[Index],
                  [path = Pictures[Index], options = PictureOptions(*this),
                   smooth = SmoothFit](gfx::Bitmap& picture, gfx::Bitmap& decoded) {
                    picture.SetPixelFormat(gfx::PixelFormat::pf32bit);
                    picture.SetSize(options.FrameWidth, options.FrameHeight);
                    FitPicture(path, options, smooth, decoded, picture);
                  });
}

gfx::Rect TSlideshowTimeline::FitRect(const gfx::Rect& PictureRect, const gfx::Rect& FrameRect) {
  return gfx::FitRect(PictureRect, FrameRect);
}

void TSlideshowTimeline::TransitionStep(int Progress) {
  TransitionOnto(CompositeBitmap, Progress, EffectIndex);
}

void TSlideshowTimeline::TransitionOnto(gfx::Bitmap& display, int Progress, int effect) {
  // Both pictures before the display, as every path locks what it draws
  // from before what it draws on: a held frame may show either picture.
  gfx::CanvasLock incomingLock(IncomingBitmap.GetCanvas());
  gfx::CanvasLock outgoingLock(OutgoingBitmap.GetCanvas());
  gfx::Canvas& canvas = display.GetCanvas();
  gfx::CanvasLock displayLock(canvas);
  canvas.CopyRect(0, 0, FrameWidth, FrameHeight, OutgoingBitmap, 0, 0);
  if (Progress <= 0) return;
  canvas.SetStretchMode(gfx::StretchMode::ColorOnColor);
  const effects::Extents e = effects::ProgressExtents(FrameWidth, FrameHeight, Progress);
  effects::EffectAt(effect).Proc(display, IncomingBitmap, FrameWidth, FrameHeight, e.X, e.Y,
                                      Progress);
}

long long TSlideshowTimeline::TotalFrames() const { return Plan.TotalFrames(); }

// Sets EffectIndex for the transition that comes next (the one out of the
// picture at PictureIndex). A cut keeps the row, so a sequential transition
// after it follows the one before.
void TSlideshowTimeline::NextEffect() {
  const size_t t = static_cast<size_t>(PictureIndex + 1);
  const bool planned = t < Plan.Transitions.size();
  const EffectChoice choice = planned ? Plan.Transitions[t].Effect : showEffect_;
  switch (choice.Mode) {
    case EffectMode::Fixed:
      EffectIndex = choice.Number;
      break;
    case EffectMode::Random:
      if (planned) EffectIndex = Plan.Transitions[t].Drawn;
      break;
    case EffectMode::Sequential:
      ++EffectIndex;
      if (EffectIndex < 1 || EffectIndex > effects::kEffectCount) EffectIndex = 1;
      break;
    case EffectMode::None:
      break;
  }
}

bool TSlideshowTimeline::Dressed(int Index) const {
  return Index >= 0 && size_t(Index) < looks_.size() && !IsPlainLook(looks_[size_t(Index)]);
}

void TSlideshowTimeline::MakeDressed(int Index, gfx::Bitmap& target) {
  auto slide = std::make_shared<SlidePicture>();
  slide->Make(Pictures[Index], ExifOrientation, FrameWidth, FrameHeight, looks_[size_t(Index)], Index);
  {
    gfx::CanvasLock lock(target.GetCanvas());
    slide->PaintAt(0, 1, target);
    target.RenewHandle();
  }
  if (OnNote && !slide->Note().empty()) OnNote(slide->Note());
  incomingSlide_ = {Index, std::move(slide), 0};
}

// Moving, fading slides get their bitmaps repainted for the frame about to
// be composed. A slide is on screen from the first frame of the transition
// into it to the last of the transition out of it.
void TSlideshowTimeline::PaintMoments() {
  if (incomingSlide_.picture) {
    const long long into = InTransition ? 0 : SlideFrames(incomingSlide_.index).in;
    PaintMoment(incomingSlide_, IncomingBitmap, into + (InTransition ? TransitionCounter : HoldCounter));
  }
  if (outgoingSlide_.picture && InTransition) {
    const SlideSpan span = SlideFrames(outgoingSlide_.index);
    PaintMoment(outgoingSlide_, OutgoingBitmap, span.in + span.hold + TransitionCounter);
  }
}

TSlideshowTimeline::SlideSpan TSlideshowTimeline::SlideFrames(int s) const {
  auto transition = [&](size_t t) { return t < Plan.Transitions.size() ? Plan.Transitions[t].Frames : 0; };
  const size_t i = size_t(s);
  return {transition(i), i < Plan.HoldFrames.size() ? Plan.HoldFrames[i] : 0, transition(i + 1)};
}

void TSlideshowTimeline::PaintMoment(DressedSlide& slide, gfx::Bitmap& bitmap, long long frame) {
  const SlideSpan span = SlideFrames(slide.index);
  const double perSecond = rate_.Denominator > 0 ? double(rate_.Numerator) / rate_.Denominator : 30.0;
  const double seconds = double(frame) / perSecond;
  const double duration = double(std::max(1LL, span.in + span.hold + span.out - 1LL)) / perSecond;
  if (slide.picture->SameAt(slide.shownSeconds, seconds, duration)) return;
  gfx::CanvasLock lock(bitmap.GetCanvas());
  slide.picture->PaintAt(seconds, duration, bitmap);
  slide.shownSeconds = seconds;
  ++moment_;
}

void TSlideshowTimeline::FillBlack(gfx::Bitmap& bitmap) {
  gfx::Canvas& canvas = bitmap.GetCanvas();
  gfx::CanvasLock lock(canvas);
  canvas.FillRect(canvas.ClipRect(), gfx::clBlack);
}

}  // namespace slideshow

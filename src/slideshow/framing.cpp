#include "framing.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "gfx/box_blur.h"
#include "gfx/canvas.h"
#include "gfx/smooth_stretch.h"

namespace slideshow {

namespace {

// The kept picture has this many pixels per frame pixel along each axis
// where the move shows it closest, and never more than this many frames'
// worth of pixels in all (a long pan across a panorama stays bounded).
constexpr double kKeptDensity = 1.5;
constexpr double kMaxKeptFrames = 16;
// The backdrop is blurred at an eighth of the frame size, where a small
// radius is a wide blur, then enlarged smoothly: cheap at any frame size.
constexpr int kBackdropShrink = 8;
constexpr int kBackdropDarken = 180;  // of 256

gfx::Rect Round(double l, double t, double w, double h) {
  const int left = int(std::lround(l)), top = int(std::lround(t));
  return {left, top, left + std::max(1, int(std::lround(w))), top + std::max(1, int(std::lround(h)))};
}

// The whole picture's rectangle in the frame when `view` of it fills `dest`.
gfx::Rect WholeIn(const gfx::Rect& dest, const gfx::RectF& view) {
  const double w = dest.Width() / view.w, h = dest.Height() / view.h;
  return Round(dest.Left - view.x * w, dest.Top - view.y * h, w, h);
}

}  // namespace

std::optional<FitMode> FitModeNamed(std::string_view name) {
  if (name == "fit") return FitMode::Fit;
  if (name == "fill") return FitMode::Fill;
  if (name == "blur") return FitMode::Blur;
  return std::nullopt;
}

std::optional<gfx::Color> ParseColor(std::string_view text) {
  if (!text.empty() && text[0] == '#') text.remove_prefix(1);
  if (text.size() != 6) return std::nullopt;
  uint32_t value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + 6, value, 16);
  if (ec != std::errc() || ptr != text.data() + 6) return std::nullopt;
  return value;
}

Placement PlaceStill(int pictureWidth, int pictureHeight, int frameWidth, int frameHeight,
                     const FramingStyle& style) {
  const gfx::Rect frame{0, 0, frameWidth, frameHeight};
  if (style.mode != FitMode::Fill)
    return {gfx::FitRect({0, 0, pictureWidth, pictureHeight}, frame), {0, 0, 1, 1}};
  // Cover: the picture's share that has the frame's shape, at the anchor.
  const double pictureAspect = double(pictureWidth) / pictureHeight;
  const double frameAspect = double(frameWidth) / frameHeight;
  gfx::RectF view{0, 0, 1, 1};
  if (pictureAspect > frameAspect) {
    view.w = frameAspect / pictureAspect;
    view.x = std::clamp(style.anchorX, 0.0, 1.0) * (1 - view.w);
  } else {
    view.h = pictureAspect / frameAspect;
    view.y = std::clamp(style.anchorY, 0.0, 1.0) * (1 - view.h);
  }
  return {frame, view};
}

void FramedPicture::Make(const std::string& path, bool exifOrientation, int frameWidth,
                         int frameHeight, const FramingStyle& style, const MotionSpec& motion,
                         int slideIndex) {
  gfx::DecodeOptions options;
  options.ExifOrientation = exifOrientation;
  // A large JPEG comes decoded at the smallest scale that still gives the
  // kept picture its density: the frame's for a still picture, more under
  // a move's zoom. Fit and blur show the whole picture inside the frame, so
  // a box of the frame's shape bounds what is needed; fill crops to the
  // frame's shape, so a square box covers a picture of any shape.
  const double zoom = motion.kind == MotionKind::Rects
                          ? 1 / std::max(0.05, std::min({motion.start.w, motion.start.h,
                                                         motion.end.w, motion.end.h}))
                          : 1.25;
  const double density = motion.kind == MotionKind::None ? 1.0 : kKeptDensity * zoom;
  const double most = double(gfx::kMaxPicturePixels >> 14);
  if (style.mode == FitMode::Fill) {
    options.FrameWidth = options.FrameHeight = int(std::min(most, std::ceil(density * (frameWidth + frameHeight))));
  } else {
    options.FrameWidth = int(std::min(most, std::ceil(density * frameWidth)));
    options.FrameHeight = int(std::min(most, std::ceil(density * frameHeight)));
  }
  options.ReduceToFrame = true;
  gfx::Bitmap decoded;
  const gfx::PictureSize own = gfx::DecodePicture(path, decoded, options);
  Make(decoded, frameWidth, frameHeight, style, motion, slideIndex, own);
}

void FramedPicture::Make(const gfx::Bitmap& picture, int frameWidth, int frameHeight,
                         const FramingStyle& style, const MotionSpec& motion, int slideIndex,
                         gfx::PictureSize own) {
  frameW_ = frameWidth;
  frameH_ = frameHeight;
  // The placement follows the picture's own shape, as the plain fit does.
  pictureW_ = std::max(1, own.Width > 0 ? own.Width : picture.Width());
  pictureH_ = std::max(1, own.Height > 0 ? own.Height : picture.Height());
  style_ = style;
  easing_ = motion.easing;
  const Placement still = PlaceStill(pictureW_, pictureH_, frameW_, frameH_, style);
  dest_ = still.dest;
  path_ = PlanMove(motion, still.view, double(pictureW_) / pictureH_, slideIndex);
  moves_ = !(path_.start == path_.end);
  ReleaseBackdrop();
  if (style.mode == FitMode::Blur) MakeBackdrop(picture);
  if (moves_) {
    MakeKept(picture);
    return;
  }
  // Still: the whole frame once, area-averaged straight from the picture.
  kept_.SetPixelFormat(gfx::PixelFormat::pf32bit);
  kept_.SetSize(frameW_, frameH_);
  PaintBackground(kept_);
  gfx::SmoothStretch(kept_, WholeIn(dest_, still.view), picture);
  kept_.RenewHandle();
  ReleaseBackdrop();  // painted into kept_ for good
  keptScaleX_ = keptScaleY_ = 1;
  keptLeft_ = keptTop_ = 0;
}

void FramedPicture::MakeKept(const gfx::Bitmap& picture) {
  const gfx::RectF& a = path_.start;
  const gfx::RectF& b = path_.end;
  const double needX = kKeptDensity * dest_.Width() / (std::min(a.w, b.w) * pictureW_);
  const double needY = kKeptDensity * dest_.Height() / (std::min(a.h, b.h) * pictureH_);
  double k = std::min(1.0, std::max(needX, needY));
  // Everything the move visits lies in the bounding box of its ends.
  const double ux0 = std::min(a.x, b.x), ux1 = std::max(a.x + a.w, b.x + b.w);
  const double uy0 = std::min(a.y, b.y), uy1 = std::max(a.y + a.h, b.y + b.h);
  const double visited = (ux1 - ux0) * (uy1 - uy0) * pictureW_ * pictureH_;
  const double limit = kMaxKeptFrames * frameW_ * frameH_;
  if (visited * k * k > limit) k = std::sqrt(limit / visited);
  const int fullW = std::max(1, int(std::lround(k * pictureW_)));
  const int fullH = std::max(1, int(std::lround(k * pictureH_)));
  // A pixel of margin keeps the filter's neighbours real picture.
  const int left = std::max(0, int(std::floor(ux0 * fullW)) - 1);
  const int top = std::max(0, int(std::floor(uy0 * fullH)) - 1);
  const int right = std::min(fullW, int(std::ceil(ux1 * fullW)) + 1);
  const int bottom = std::min(fullH, int(std::ceil(uy1 * fullH)) + 1);
  kept_.SetPixelFormat(gfx::PixelFormat::pf32bit);
  kept_.SetSize(std::max(1, right - left), std::max(1, bottom - top));
  gfx::SmoothStretch(kept_, {-left, -top, fullW - left, fullH - top}, picture);
  kept_.RenewHandle();
  keptScaleX_ = fullW;
  keptScaleY_ = fullH;
  keptLeft_ = left;
  keptTop_ = top;
}

void FramedPicture::MakeBackdrop(const gfx::Bitmap& picture) {
  const int w = std::max(1, frameW_ / kBackdropShrink), h = std::max(1, frameH_ / kBackdropShrink);
  gfx::Bitmap small(w, h);
  FramingStyle cover;
  cover.mode = FitMode::Fill;
  const Placement p = PlaceStill(pictureW_, pictureH_, w, h, cover);
  gfx::SmoothStretch(small, WholeIn(p.dest, p.view), picture);
  gfx::BoxBlur(small, std::max(1, w / 48));
  gfx::ScaleBrightness(small, kBackdropDarken);
  // The fitted picture spans the frame one way: the bars are the two sides
  // of it the other way.
  const gfx::Rect frame{0, 0, frameW_, frameH_};
  const bool beside = dest_.Top <= 0 && dest_.Bottom >= frameH_;
  const bool above = dest_.Left <= 0 && dest_.Right >= frameW_;
  if (beside) {
    backdrop_[0].area = {0, 0, std::max(0, dest_.Left), frameH_};
    backdrop_[1].area = {std::min(frameW_, dest_.Right), 0, frameW_, frameH_};
  } else if (above) {
    backdrop_[0].area = {0, 0, frameW_, std::max(0, dest_.Top)};
    backdrop_[1].area = {0, std::min(frameH_, dest_.Bottom), frameW_, frameH_};
  } else {
    backdrop_[0].area = frame;  // not a fitted picture: the whole frame
  }
  for (BackdropPart& part : backdrop_) {
    if (part.area.Width() <= 0 || part.area.Height() <= 0) continue;
    part.pixels.SetPixelFormat(gfx::PixelFormat::pf32bit);
    part.pixels.SetSize(part.area.Width(), part.area.Height());
    gfx::SmoothStretch(part.pixels, {-part.area.Left, -part.area.Top, frame.Right - part.area.Left,
                                     frame.Bottom - part.area.Top}, small);
  }
}

void FramedPicture::ReleaseBackdrop() {
  for (BackdropPart& part : backdrop_) {
    part.area = {};
    part.pixels.Release();
  }
}

void FramedPicture::PaintBackground(gfx::Bitmap& frame) const {
  if (dest_ == frame.Bounds()) return;
  if (style_.mode == FitMode::Blur && frame.Width() == frameW_ && frame.Height() == frameH_) {
    for (const BackdropPart& part : backdrop_)
      for (int y = part.area.Top; y < part.area.Bottom && part.pixels.Width() > 0; ++y)
        std::copy_n(part.pixels.ScanLine(y - part.area.Top), size_t(part.area.Width()) * 4,
                    frame.ScanLine(y) + size_t(part.area.Left) * 4);
    return;
  }
  const gfx::Color c = style_.mode == FitMode::Fit ? style_.background : gfx::clBlack;
  for (int y = 0; y < frame.Height(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(frame.ScanLine(y));
    if (y < dest_.Top || y >= dest_.Bottom) {
      std::fill_n(row, frame.Width(), c);
    } else {
      std::fill_n(row, std::clamp(dest_.Left, 0, frame.Width()), c);
      const int right = std::clamp(dest_.Right, 0, frame.Width());
      std::fill(row + right, row + frame.Width(), c);
    }
  }
}

void FramedPicture::PaintAt(double t, gfx::Bitmap& frame) {
  if (!moves_) {
    gfx::Canvas& canvas = frame.GetCanvas();
    gfx::CanvasLock lock(canvas);
    canvas.CopyRect(0, 0, frameW_, frameH_, kept_, 0, 0);
    return;
  }
  PaintBackground(frame);
  const gfx::RectF v = ViewAt(path_, easing_, t);
  const gfx::RectF from{v.x * keptScaleX_ - keptLeft_, v.y * keptScaleY_ - keptTop_,
                        v.w * keptScaleX_, v.h * keptScaleY_};
  sampler_.Draw(kept_, from, frame, dest_);
}

std::pair<double, double> FramedPicture::FramePoint(double t, double px, double py) const {
  const gfx::RectF v = moves_ ? ViewAt(path_, easing_, t) : path_.start;
  return {dest_.Left + (px - v.x) / v.w * dest_.Width(),
          dest_.Top + (py - v.y) / v.h * dest_.Height()};
}

}  // namespace slideshow

// The slideshow's frame source: for every frame the encoder asks for, decides
// whether it belongs to the hold of a picture or to a transition, composes it
// and copies it onto the caller's canvas. Toolkit-free, so the main window
// and the command-line renderer share it. Used from one thread at a time.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/frame_result.h"
#include "gfx/bitmap.h"
#include "gfx/canvas.h"
#include "slideshow/picture_prefetch.h"
#include "slideshow/slide_picture.h"
#include "slideshow/show.h"
#include "slideshow/show_plan.h"

namespace slideshow {

// A start that cannot work (such as a frame size that makes no picture).
class TimelineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The texts of the main window's controls, as typed or chosen.
struct TimelineSettings {
  std::string FrameSize = "320x240";
  std::string FrameRate = "30/1";
  std::string PictureDelay = "2.0";
  std::string TransitionDelay = "1.0";
  bool RandomEffects = false;
  char DecimalSeparator = '.';  // of the user's locale
  // Turn JPEG pictures upright as their EXIF orientation tag says.
  bool ExifOrientation = true;
  // Fit pictures by area averaging instead of the blocky stretch.
  bool SmoothFit = false;
};

constexpr int kMaxFrameSide = 16384;

// The show the window's settings describe: every slide with the same
// values, read leniently as the window reads them (unreadable texts fall
// back to the defaults). Pictures are the window's list.
Show UniformShow(const TimelineSettings& settings, const std::vector<std::string>& pictures);

class TSlideshowTimeline {
 public:
  TSlideshowTimeline();

  // The picture files in order (the window's picture list).
  std::vector<std::string> Pictures;
  // "Break when no pictures": when the list is used up, OnStopRequest is
  // called on every frame request (without waiting for the stop).
  bool BreakWhenNoPictures = true;
  std::function<void()> OnStopRequest;
  // Told what a slide's making wants the user to know (a caption's font
  // that is not installed and was replaced).
  std::function<void(const std::string&)> OnNote;

  // Resets the run and sizes the working pictures. Throws TimelineError for
  // a frame width or height outside 1..kMaxFrameSide.
  void PrepareTimeline(const TimelineSettings& settings);
  // The same for any show; Pictures becomes the show's pictures.
  void PrepareTimeline(const Show& show);

  // Paints the next frame onto ACanvas and returns 0, or returns -1 when the
  // slideshow is over. A picture that cannot be read throws its error.
  int FIAReadFrameCanvas(gfx::Canvas& ACanvas);
  // The same for a canvas that keeps what is painted on it from one call to
  // the next and that nobody else paints on (the frame input's canvas):
  // gives Unchanged, leaving the canvas alone, when the frame is the one
  // painted on this canvas last. A 32-bit canvas of the frame size gets
  // transitions drawn straight onto it.
  gfx::TFrameResult ReadFrameOntoKeptCanvas(gfx::Canvas& ACanvas);
  // Passes over the next frame as ReadFrameOntoKeptCanvas would, painting
  // nothing but a transition whose effect draws from the shared generator
  // (onto CompositeBitmap), so that the frames after it come out the same.
  // False when the slideshow is over. For a run that starts later than
  // the show (a split show's part): the first frame read after it is painted.
  bool SkipFrame();
  // Before the first frame of a run prepared without making pictures ahead
  // that starts at the hold of picture `index`: the pictures before it are
  // not made (their bitmaps only get new handles), the ones from it on are
  // made as usual; 0 makes every picture as a run that made them ahead.
  void PassOverPicturesBefore(int index);

  // Decodes entry Index of Pictures and draws it, fitted, into IncomingBitmap.
  // The decoded picture is released afterwards: nothing reads it again.
  // A picture made ahead during the hold before is taken as it is, and a
  // failure in making it is thrown here.
  void LoadPicture(int Index);
  // Composes CompositeBitmap for Progress (0..99) with the current effect.
  void TransitionStep(int Progress);

  // Aspect-preserving fit of a picture into a frame (same margin both sides).
  static gfx::Rect FitRect(const gfx::Rect& PictureRect, const gfx::Rect& FrameRect);

  // Frames a run hands out before it ends.
  long long TotalFrames() const;

  // Timeline state, readable for the status line and for tests.
  int FrameWidth = 0;
  int FrameHeight = 0;
  int PictureIndex = -1;
  bool InTransition = true;
  int HoldCounter = 0;
  int FramesPerPicture = 1;     // of the picture held or coming next
  int TransitionCounter = 0;
  int FramesPerTransition = 1;  // of the transition running or coming next; 0: a cut
  int LastProgress = -1;
  int EffectIndex = 0;  // survives runs: sequential runs continue
  bool RandomEffects = false;  // the show-wide choice is random
  ShowPlan Plan;               // of the run prepared last
  int TailFrames = 0;
  // False for a run that only needs the plan (a split show's sound or
  // join): no picture is made ahead of its use.
  bool MakePicturesAhead = true;
  // Picture choices of the run (from TimelineSettings).
  bool ExifOrientation = true;
  bool SmoothFit = false;

  gfx::Bitmap DecodeBitmap;
  gfx::Bitmap OutgoingBitmap;
  gfx::Bitmap IncomingBitmap;
  gfx::Bitmap CompositeBitmap;

 private:
  // What a frame shows: the picture held, or a transition step between two
  // pictures, each known by its bitmap handle.
  struct FrameContent {
    uint32_t outgoing = 0;  // 0 for a held picture
    uint32_t incoming = 0;
    int progress = -1;
    int effect = 0;
    long long moment = 0;  // counts repaints of moving or fading slides
    bool operator==(const FrameContent&) const = default;
  };
  // A slide whose look needs more than the plain fit, with the moment its
  // bitmap shows.
  struct DressedSlide {
    int index = -1;
    std::shared_ptr<SlidePicture> picture;
    double shownSeconds = 0;
  };
  bool Dressed(int Index) const;
  void MakeDressed(int Index, gfx::Bitmap& target);
  // Frames of a slide's time on screen: the transition in, the hold, the transition out.
  struct SlideSpan {
    long long in = 0, hold = 0, out = 0;
  };
  SlideSpan SlideFrames(int Index) const;
  void PaintMoments();
  void PaintMoment(DressedSlide& slide, gfx::Bitmap& bitmap, long long frame);
  gfx::TFrameResult ReadFrame(gfx::Canvas& ACanvas, bool canvasKept);
  bool NextContent(FrameContent& content);
  void ChooseContent();
  FrameContent AdvanceTimeline();
  void PaintFrame(gfx::Canvas& ACanvas, const FrameContent& content);
  void TransitionOnto(gfx::Bitmap& display, int Progress, int effect);
  void EndTransition();
  void NextEffect();
  void SetUpRun(const Show& show);
  void FillBlack(gfx::Bitmap& bitmap);
  void PrefetchPicture(int Index);

  TPicturePrefetch prefetch_;
  std::vector<SlideLook> looks_;      // per slide; empty when every slide is plain
  FrameRate rate_;
  DressedSlide incomingSlide_;        // in IncomingBitmap
  DressedSlide outgoingSlide_;        // in OutgoingBitmap
  DressedSlide prefetchedSlide_;      // being made by prefetch_
  long long moment_ = 0;
  EffectChoice showEffect_;                // for transitions past the plan
  FrameContent composed_;                  // in CompositeBitmap
  const gfx::Canvas* keptCanvas_ = nullptr;  // painted last by ReadFrameOntoKeptCanvas
  FrameContent kept_;                      // what it shows
  std::optional<FrameContent> skipped_;    // passed over last by SkipFrame
  int unmadeBefore_ = 0;                   // pictures before it are not made
};

}  // namespace slideshow

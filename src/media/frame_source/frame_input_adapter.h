// Frames the program draws itself, fed to the engine as the input format
// "frameinput". The input's file name is the adapter's number in decimal
// (InputFileName), drawn from a counter so that a name never comes back for
// a later adapter; every packet request raises the frame event of the
// input's type, on the main thread unless TriggerEventInMainThread is off.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/error.h>
#include <libavutil/rational.h>
}

#include "gfx/bitmap.h"
#include "gfx/canvas.h"
#include "media/bridges/ff_base_component.h"

namespace media {

// Values of TInputFrameInfo::InputType.
enum TFrameInputType : int32_t { itYUV = 0, itBMP = 1, itCanvas = 2, itDC = 3 };

// What a frame event knows about the frame it is asked for. Valid while the
// input is open; the event may change Pts.
struct TInputFrameInfo {
  int64_t Pts;          // time stamp of this frame, microseconds
  int64_t LastPts;      // time stamp of the previous packet; AV_NOPTS_VALUE before the first
  int32_t FrameNumber;  // 1-based number of the frame being requested
  int32_t Width;
  int32_t Height;
  int32_t BitsPerPixel;  // 8, 16, 24 or 32; 0 for yuv
  int32_t Stride;        // bytes per row, padded to 32 bits; 0 for yuv
  int32_t FrameSize;     // bytes per packet
  int32_t PixelFormat;   // AVPixelFormat
  int32_t InputType;     // TFrameInputType
  gfx::Bitmap* SectionHandle;  // dc: the section bitmap
  gfx::Canvas* DCHandle;       // dc: its canvas
  uint8_t* Bits;               // dc: section memory; bmp/canvas: Bitmap's bottom row
  gfx::Bitmap* Bitmap;         // bmp/canvas: the frame bitmap
  gfx::Canvas* Canvas;         // bmp/canvas: its canvas
  AVPacket* Packet;            // the packet being filled
  AVRational TimeBase;         // seconds per frame
  int64_t Clock;               // position of the next frame, millionths of a frame
};
using PInputFrameInfo = TInputFrameInfo*;

class TFrameInputAdapter;
struct FrameInputContext;

using TFrameInputNotifyEvent = std::function<void(TFrameInputAdapter* Sender)>;
// Frame events return 0 or more for a frame, a negative value for none.
using TReadFrameCanvasEvent =
    std::function<int(TFrameInputAdapter* Sender, gfx::Canvas& ACanvas, PInputFrameInfo AFrameInfo)>;
using TReadFrameDataEvent =
    std::function<int(TFrameInputAdapter* Sender, uint8_t* AData, PInputFrameInfo AFrameInfo)>;
// The "device context" is the canvas of the input's section bitmap.
using TReadFrameDCEvent =
    std::function<int(TFrameInputAdapter* Sender, gfx::Canvas& ADC, PInputFrameInfo AFrameInfo)>;

// Result of a canvas, bmp or dc frame event that left the frame as it was:
// the bitmap still holds the previous frame. The packet is marked so that
// its reader may reuse what it made of that frame (see own_input.h).
constexpr int kFrameUnchanged = 1;

// Result of a frame event whose handler failed (threw); the text is in
// LastFrameError.
constexpr int kFrameHandlerFailed = AVERROR_EXTERNAL;

class TFrameInputAdapter : public TFFBaseComponent {
 public:
  TFrameInputAdapter();
  ~TFrameInputAdapter() override;

  TFrameInputNotifyEvent OnReadHeader;  // after the stream is set up
  TFrameInputNotifyEvent OnReadClose;
  TReadFrameCanvasEvent OnReadFrameCanvas;  // "canvas"
  TReadFrameDataEvent OnReadFrameBMP;       // "bmp": bottom-up bitmap memory
  TReadFrameDCEvent OnReadFrameDC;          // "dc"
  TReadFrameDataEvent OnReadFrameYUV;       // "yuv": the packet data itself

  // The file name that opens an input fed by this adapter.
  std::string InputFileName() const;

  int LastFrameResult() const { return lastFrameResult_.load(); }
  // Text of the failure (exception) of the last event; empty when it did
  // not fail. The engine reports it as the run's error.
  std::string LastFrameError() const;
  // Frame information and private data of the input opened last (null when
  // none is open).
  PInputFrameInfo CurrentFrameInfo() const { return currentFrameInfo_.load(); }
  FrameInputContext* InputContext() const { return inputContext_.load(); }

  // Holds a live adapter: its destruction waits until every handle to it is
  // released. Empty when the number names no adapter or one being destroyed.
  class Handle {
   public:
    Handle() = default;
    Handle(Handle&& other) noexcept : adapter_(std::exchange(other.adapter_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept;
    ~Handle() { Release(); }
    TFrameInputAdapter* operator->() const { return adapter_; }
    TFrameInputAdapter* get() const { return adapter_; }
    explicit operator bool() const { return adapter_ != nullptr; }

   private:
    friend class TFrameInputAdapter;
    explicit Handle(TFrameInputAdapter* adapter) : adapter_(adapter) {}
    void Release();
    TFrameInputAdapter* adapter_ = nullptr;
  };

  // The number in this adapter's InputFileName.
  uint64_t Number() const { return number_; }
  // A handle on the adapter whose InputFileName is this number.
  static Handle Acquire(uint64_t number);

  // Used by the "frameinput" format. Frame dispatch returns the handler's
  // result, -1 without a handler, kFrameHandlerFailed when it threw; the
  // notifications return false when the handler threw. A failure's text
  // is kept in LastFrameError.
  void AttachInput(FrameInputContext* context, PInputFrameInfo info);
  void DetachInput(FrameInputContext* context);
  bool DoReadHeader();
  bool DoReadClose();
  int DoReadFrameCanvas(gfx::Canvas& canvas, PInputFrameInfo info);
  int DoReadFrameBMP(uint8_t* data, PInputFrameInfo info);
  int DoReadFrameDC(gfx::Canvas& dc, PInputFrameInfo info);
  int DoReadFrameYUV(uint8_t* data, PInputFrameInfo info);

 private:
  template <class Call>
  int DispatchFrame(bool assigned, Call&& call);
  bool RaiseNotify(const TFrameInputNotifyEvent& event);
  bool Closing() const;

  const uint64_t number_;
  int readers_ = 0;       // handles held; under the registry's lock
  bool closing_ = false;  // being destroyed; under the registry's lock
  std::atomic<int> lastFrameResult_{0};
  mutable std::mutex errorLock_;
  std::string lastFrameError_;
  std::atomic<PInputFrameInfo> currentFrameInfo_{nullptr};
  std::atomic<FrameInputContext*> inputContext_{nullptr};
};

// Makes "frameinput" known to the engine; further calls change nothing.
// Returns true when this call registered it.
bool RegisterFrameInputFormat();

}  // namespace media

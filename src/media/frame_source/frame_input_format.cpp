// "frameinput": a demuxer with one raw-video stream whose packets the frame
// input adapter's events draw on demand, one event per packet.
#include "media/frame_source/frame_input_format.h"

#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <climits>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "media/binding/ff_entry_points.h"
#include "media/frame_source/own_input.h"

namespace media {

namespace {

constexpr size_t kMaxFileName = 1024;
constexpr int64_t kMicroFrames = 1000000;  // Clock units per frame

struct BitmapLayout {
  AVPixelFormat pixelFormat;
  int32_t bitsPerPixel;
  gfx::PixelFormat bitmapFormat;
};

// Pixel formats of the bitmap-based input types.
constexpr BitmapLayout kBitmapLayouts[] = {
    {AV_PIX_FMT_BGR24, 24, gfx::PixelFormat::pf24bit},
    {AV_PIX_FMT_PAL8, 8, gfx::PixelFormat::pf8bit},
    {AV_PIX_FMT_BGRA, 32, gfx::PixelFormat::pf32bit},
    {AV_PIX_FMT_RGB555LE, 16, gfx::PixelFormat::pf15bit},
};

struct InputTypeName {
  const char* name;
  TFrameInputType type;
};

// Compared exactly, in this order.
constexpr InputTypeName kInputTypes[] = {
    {"canvas", itCanvas}, {"bmp", itBMP}, {"yuv", itYUV}, {"dc", itDC}};

FrameInputContext* ContextOf(AVFormatContext* s) {
  return static_cast<FrameInputContext*>(s->priv_data);
}

// n / d (d > 0) to the nearest integer, halves to even, limited to int64.
int64_t DivRoundHalfEven(__int128 n, __int128 d) {
  __int128 q = n / d;
  __int128 r = n % d;
  if (r < 0) r = -r;
  if (2 * r > d || (2 * r == d && (q & 1))) q += n < 0 ? -1 : 1;
  if (q > INT64_MAX) return INT64_MAX;
  if (q < INT64_MIN) return INT64_MIN;
  return int64_t(q);
}

// Pts (microseconds) of a Clock position: Clock x seconds per frame.
int64_t PtsOfClock(int64_t clock, AVRational timeBase) {
  return DivRoundHalfEven(__int128(clock) * timeBase.num, timeBase.den);
}

int64_t ClockOfPts(int64_t pts, AVRational timeBase) {
  return DivRoundHalfEven(__int128(pts) * timeBase.den, timeBase.num);
}

// Frees the frame bitmap and clears the views of it.
void ReleaseFrameStore(FrameInputContext* c) {
  std::unique_ptr<TFrameStore>(std::exchange(c->FrameStore, nullptr));
  TInputFrameInfo& info = c->FrameInfo;
  info.SectionHandle = nullptr;
  info.DCHandle = nullptr;
  info.Bitmap = nullptr;
  info.Canvas = nullptr;
  info.Bits = nullptr;
}

// The adapter named by the input's file name, if it is a live one.
TFrameInputAdapter::Handle ResolveAdapter(AVFormatContext* s, bool& parsed) {
  std::string name = s->url ? s->url : "";
  if (name.size() > kMaxFileName) name.resize(kMaxFileName);
  int64_t address = 0;
  const char* end = name.data() + name.size();
  const auto [stop, error] = std::from_chars(name.data(), end, address);
  parsed = !name.empty() && error == std::errc() && stop == end;
  if (!parsed) {
    ff::av_log(s, AV_LOG_ERROR,
               "Could not parse FrameInputAdapter: \"%s\", it should be address of "
               "FrameInputAdapter\n",
               name.c_str());
    return {};
  }
  return address > 0 ? TFrameInputAdapter::Acquire(uint64_t(address)) : TFrameInputAdapter::Handle();
}

// The header's stages, each failing with its message logged.
int ParseInputType(AVFormatContext* s, FrameInputContext* c) {
  TInputFrameInfo& info = c->FrameInfo;
  info.InputType = itYUV;
  if (c->InputType) {
    const InputTypeName* found = nullptr;
    for (const InputTypeName& t : kInputTypes)
      if (std::strcmp(c->InputType, t.name) == 0) {
        found = &t;
        break;
      }
    if (!found) {
      ff::av_log(s, AV_LOG_ERROR,
                 "Invalid frame input type: \"%s\", it should be one of canvas/bmp/dc/yuv\n",
                 c->InputType);
      return AVERROR(EINVAL);
    }
    info.InputType = found->type;
  }
  return 0;
}

int ParseFrameRate(AVFormatContext* s, FrameInputContext* c, AVRational& rate) {
  TInputFrameInfo& info = c->FrameInfo;
  const char* rateText = c->FrameRate ? c->FrameRate : "ntsc";
  if (ff::av_parse_video_rate(&rate, rateText) < 0) {
    ff::av_log(s, AV_LOG_ERROR, "Could not parse framerate \"%s\".\n", rateText);
    return AVERROR(EINVAL);
  }
  info.TimeBase = AVRational{rate.den, rate.num};
  if (rate.num <= 0 || rate.den <= 0) {
    ff::av_log(s, AV_LOG_ERROR, "Invalid frame rate\n");
    return AVERROR(EINVAL);
  }
  return 0;
}

int ParseFrameSize(AVFormatContext* s, FrameInputContext* c) {
  TInputFrameInfo& info = c->FrameInfo;
  if (c->VideoSize && ff::av_parse_video_size(&info.Width, &info.Height, c->VideoSize) < 0) {
    ff::av_log(s, AV_LOG_ERROR, "Couldn't parse video size.\n");
    return AVERROR(EINVAL);
  }
  // The decoders' own limit: larger pictures could not be decoded, and
  // every size below it keeps a packet within int.
  if (info.Width <= 0 || info.Height <= 0 ||
      (int64_t(info.Width) + 128) * (int64_t(info.Height) + 128) >= INT_MAX / 8) {
    ff::av_log(s, AV_LOG_ERROR, "Invalid frame size\n");
    return AVERROR(EINVAL);
  }
  return 0;
}

int ParsePixelFormat(AVFormatContext* s, FrameInputContext* c, const BitmapLayout*& layout) {
  TInputFrameInfo& info = c->FrameInfo;
  AVPixelFormat pixelFormat = AV_PIX_FMT_YUV420P;
  if (c->PixelFormat) {
    pixelFormat = ff::av_get_pix_fmt(c->PixelFormat);
    if (pixelFormat == AV_PIX_FMT_NONE) {
      ff::av_log(s, AV_LOG_ERROR, "Unknown pixel format requested\n");
      return AVERROR(EINVAL);
    }
  }
  info.PixelFormat = pixelFormat;

  layout = nullptr;
  if (info.InputType != itYUV) {
    for (const BitmapLayout& l : kBitmapLayouts)
      if (l.pixelFormat == pixelFormat) layout = &l;
    if (!layout) {
      ff::av_log(s, AV_LOG_ERROR,
                 "Invalid pixel format for canvas/bmp/dc input, should be one of "
                 "pal8/rgb555le/bgr24/bgra\n");
      return AVERROR(EINVAL);
    }
  }
  info.BitsPerPixel = layout ? layout->bitsPerPixel : 0;
  info.Stride = int32_t((int64_t(info.Width) * info.BitsPerPixel + 31) / 32 * 4);
  return 0;
}

// Points the frame information at the store's current bitmap.
void ShowFrameStore(TInputFrameInfo& info, TFrameStore& store) {
  gfx::Bitmap& bitmap = store.Bitmap();
  if (info.InputType == itDC) {
    info.SectionHandle = &bitmap;
    info.DCHandle = &bitmap.GetCanvas();
  } else {
    info.Bitmap = &bitmap;
    info.Canvas = &bitmap.GetCanvas();
  }
  info.Bits = bitmap.Bits();
}

// The bitmap the events draw on; yuv frames go straight into the packet.
int MakeFrameStore(AVFormatContext* s, TInputFrameInfo& info, const BitmapLayout* layout,
                   std::unique_ptr<TFrameStore>& store) {
  const AVPixelFormat pixelFormat = AVPixelFormat(info.PixelFormat);
  switch (info.InputType) {
    case itDC:
      try {
        store = std::make_unique<TFrameStore>(info.Width, info.Height, layout->bitmapFormat);
      } catch (const std::bad_alloc&) {
        ff::av_log(s, AV_LOG_ERROR, "CreateDIBSection error #%li\n", long(ENOMEM));
        return AVERROR(EIO);
      }
      ShowFrameStore(info, *store);
      info.FrameSize = info.SectionHandle->Stride() * info.Height;
      break;
    case itBMP:
    case itCanvas:
      store = std::make_unique<TFrameStore>(info.Width, info.Height, layout->bitmapFormat);
      ShowFrameStore(info, *store);
      info.FrameSize = info.Stride * info.Height;
      break;
    default: {
      const int size = ff::av_image_get_buffer_size(pixelFormat, info.Width, info.Height, 1);
      if (size < 0) {
        ff::av_log(s, AV_LOG_ERROR, "avpicture_get_size() failed\n");
        return AVERROR(EIO);
      }
      info.FrameSize = size;
      info.Stride = 0;
    }
  }
  return 0;
}

// Packets of the bitmap types carry the bitmap's memory as it is, bottom
// row first; the raw-video decoder turns such pictures upright by itself
// (a negative line size), so no flipping copy is made.
constexpr char kBottomUp[] = "BottomUp";

int MarkBottomUp(AVCodecParameters* par) {
  const int size = int(sizeof(kBottomUp));  // with its terminating zero, as readers expect
  par->extradata = static_cast<uint8_t*>(ff::av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
  if (!par->extradata) return AVERROR(ENOMEM);
  std::memcpy(par->extradata, kBottomUp, size);
  par->extradata_size = size;
  return 0;
}

int AddVideoStream(AVFormatContext* s, const TInputFrameInfo& info, AVRational rate) {
  const AVPixelFormat pixelFormat = AVPixelFormat(info.PixelFormat);
  AVStream* st = ff::avformat_new_stream(s, nullptr);
  if (!st) return AVERROR(ENOMEM);
  st->time_base = AVRational{1, 1000000};
  AVCodecParameters* par = st->codecpar;
  par->codec_type = AVMEDIA_TYPE_VIDEO;
  par->codec_id = AV_CODEC_ID_RAWVIDEO;
  par->width = info.Width;
  par->height = info.Height;
  par->format = pixelFormat;
  // Bytes per frame over seconds per frame.
  par->bit_rate = DivRoundHalfEven(__int128(info.FrameSize) * 8 * info.TimeBase.den,
                                   info.TimeBase.num);
  // The frame rate is what the old codec time base told the decoder side.
  st->r_frame_rate = rate;
  st->avg_frame_rate = rate;
  st->start_time = 0;
  if (info.InputType != itYUV) {
    const int ret = MarkBottomUp(par);
    if (ret < 0) return ret;
  }

  // Reading ahead while the engine looks at the stream would draw frames.
  s->flags |= AVFMT_FLAG_NOPARSE;
  s->probesize = 0;
  return 0;
}

int ReadHeaderSteps(AVFormatContext* s) {
  FrameInputContext* c = ContextOf(s);
  TInputFrameInfo& info = c->FrameInfo;

  bool parsed = false;
  const TFrameInputAdapter::Handle adapter = ResolveAdapter(s, parsed);
  if (!parsed) return AVERROR(EINVAL);
  if (!adapter) {
    ff::av_log(s, AV_LOG_ERROR, "Invalid FrameInputAdapter\n");
    return AVERROR(EINVAL);
  }

  int ret;
  AVRational rate{0, 0};
  const BitmapLayout* layout = nullptr;
  // Views into it are set on the way; the context takes it once the header is read.
  std::unique_ptr<TFrameStore> store;
  if ((ret = ParseInputType(s, c)) < 0 || (ret = ParseFrameRate(s, c, rate)) < 0 ||
      (ret = ParseFrameSize(s, c)) < 0 || (ret = ParsePixelFormat(s, c, layout)) < 0 ||
      (ret = MakeFrameStore(s, info, layout, store)) < 0 || (ret = AddVideoStream(s, info, rate)) < 0)
    return ret;

  info.LastPts = AV_NOPTS_VALUE;
  info.FrameNumber = 1;
  c->FrameStore = store.release();
  c->AdapterNumber = adapter->Number();
  adapter->AttachInput(c, &info);

  if (!adapter->DoReadHeader()) {
    const std::string error = adapter->LastFrameError();
    ff::av_log(s, AV_LOG_ERROR, "%s\n", error.c_str());
    SetOwnInputFailure(s, error);
    adapter->DetachInput(c);
    ReleaseFrameStore(c);
    return kFrameHandlerFailed;
  }
  return 0;
}

int ReadHeader(AVFormatContext* s) {
  try {
    return ReadHeaderSteps(s);
  } catch (...) {
    // Only the frame bitmap can fail this way (out of memory).
    ReleaseFrameStore(ContextOf(s));
    return AVERROR(ENOMEM);
  }
}

// A bitmap type's packet: a reference on the frame bitmap's memory.
int ShareFrameStore(FrameInputContext* c, AVPacket* pkt, int result) {
  TInputFrameInfo& info = c->FrameInfo;
  pkt->buf = c->FrameStore->Share();
  if (!pkt->buf) return AVERROR(ENOMEM);
  pkt->data = pkt->buf->data;
  pkt->size = info.FrameSize;
  // Every packet is a whole picture.
  pkt->flags |= AV_PKT_FLAG_KEY;
  if (info.FrameNumber > 1) MarkFrameResult(pkt, gfx::TFrameResult(result));
  return 0;
}

// What a packet made over the frame bitmap relies on: its memory and size.
struct BitmapShape {
  const uint8_t* bits;
  int width, height, stride;
  gfx::PixelFormat format;
  bool operator==(const BitmapShape&) const = default;
};

BitmapShape ShapeOf(const gfx::Bitmap& b) {
  return {b.Bits(), b.Width(), b.Height(), b.Stride(), b.Format()};
}

bool HoldsFrame(const gfx::Bitmap& b, const TInputFrameInfo& info) {
  return b.Width() == info.Width && b.Height() == info.Height &&
         int64_t(b.Stride()) * b.Height() >= info.FrameSize;
}

// A handler resized or replaced the frame bitmap: its memory no longer
// holds a frame of the stream's size, so the frame is refused.
int RefuseChangedBitmap(AVFormatContext* s, AVPacket* pkt) {
  const std::string error = "the frame handler changed the size or memory of the frame bitmap";
  ff::av_log(s, AV_LOG_ERROR, "%s\n", error.c_str());
  SetOwnInputFailure(s, error);
  ff::av_packet_unref(pkt);
  return AVERROR(EINVAL);
}

// A frame event gave no frame: report it and leave the packet empty.
int NoFrame(AVFormatContext* s, AVPacket* pkt, TFrameInputAdapter* adapter, int result,
            const char* kind, int level, const char* message) {
  const std::string error = adapter->LastFrameError();
  if (!error.empty()) {
    ff::av_log(s, AV_LOG_ERROR, "reading frame (%s) failed: %s\n", kind, error.c_str());
    SetOwnInputFailure(s, error);
  } else {
    ff::av_log(s, level, message, result);
  }
  ff::av_packet_unref(pkt);
  return result;
}

int ReadPacket(AVFormatContext* s, AVPacket* pkt) {
  FrameInputContext* c = ContextOf(s);
  TInputFrameInfo& info = c->FrameInfo;
  // The adapter may have been destroyed since the input was opened; the
  // handle keeps it alive until this read is over.
  const TFrameInputAdapter::Handle adapter = TFrameInputAdapter::Acquire(c->AdapterNumber);
  if (!adapter) {
    ff::av_log(s, AV_LOG_ERROR, "Invalid FrameInputAdapter\n");
    return -1;
  }

  BitmapShape drawnOn{};
  if (c->FrameStore) {
    if (!c->FrameStore->PrepareForDrawing()) return AVERROR(ENOMEM);
    ShowFrameStore(info, *c->FrameStore);
    drawnOn = ShapeOf(c->FrameStore->Bitmap());
  } else if (ff::av_new_packet(pkt, info.FrameSize) < 0) {
    return AVERROR(ENOMEM);
  }
  info.Packet = pkt;
  info.Pts = PtsOfClock(info.Clock, info.TimeBase);
  pkt->pts = info.Pts;
  pkt->dts = info.Pts;

  int result = -1;
  switch (info.InputType) {
    case itCanvas:
      result = adapter->DoReadFrameCanvas(*info.Canvas, &info);
      if (result < 0)
        return NoFrame(s, pkt, adapter.get(), result, "Canvas", AV_LOG_INFO,
                       "reading frame (Canvas) return %d\n");
      break;
    case itBMP:
      result = adapter->DoReadFrameBMP(info.Bits, &info);
      if (result < 0)
        return NoFrame(s, pkt, adapter.get(), result, "BMP", AV_LOG_ERROR,
                       "reading frame (BMP) return %d\n");
      break;
    case itDC:
      result = adapter->DoReadFrameDC(*info.DCHandle, &info);
      if (result < 0)
        return NoFrame(s, pkt, adapter.get(), result, "DC", AV_LOG_INFO, "reading frame (DC) return %d\n");
      break;
    case itYUV:
      result = adapter->DoReadFrameYUV(pkt->data, &info);
      if (result < 0)
        return NoFrame(s, pkt, adapter.get(), result, "YUV", AV_LOG_INFO, "reading frame (YUV) return\n");
      // Every packet is a whole picture, as for the other types.
      pkt->flags |= AV_PKT_FLAG_KEY;
      break;
    default:
      ff::av_packet_unref(pkt);
      return -1;
  }
  if (c->FrameStore) {
    const gfx::Bitmap& drawn = c->FrameStore->Bitmap();
    if (!(ShapeOf(drawn) == drawnOn) || !HoldsFrame(drawn, info))
      return RefuseChangedBitmap(s, pkt);
    const int ret = ShareFrameStore(c, pkt, result);
    if (ret < 0) return ret;
  }

  if (info.Pts != pkt->pts) {  // the event moved the time stamp
    if (info.Pts > info.LastPts) {
      pkt->pts = info.Pts;
      pkt->dts = info.Pts;
      info.Clock = ClockOfPts(info.Pts, info.TimeBase);
    } else {
      ff::av_log(s, AV_LOG_WARNING, "invalid pts %" PRId64 "\n", info.Pts);
    }
  }
  info.Clock = info.Clock > INT64_MAX - kMicroFrames ? INT64_MAX : info.Clock + kMicroFrames;
  ++info.FrameNumber;
  info.LastPts = pkt->pts;
  return info.FrameSize;
}

int ReadClose(AVFormatContext* s) {
  FrameInputContext* c = ContextOf(s);
  ReleaseFrameStore(c);
  if (const TFrameInputAdapter::Handle adapter = TFrameInputAdapter::Acquire(c->AdapterNumber)) {
    if (!adapter->DoReadClose())
      ff::av_log(s, AV_LOG_ERROR, "%s\n", adapter->LastFrameError().c_str());
    adapter->DetachInput(c);
  }
  c->AdapterNumber = 0;
  return 0;
}

const char* ItemName(void*) { return "FrameInputFormat"; }

constexpr int kDecodingParam = AV_OPT_FLAG_DECODING_PARAM;

const AVOption kOptions[] = {
    {"input_type", "one of {canvas, bmp, dc, yuv}, default yuv",
     int(offsetof(FrameInputContext, InputType)), AV_OPT_TYPE_STRING, {.str = "yuv"}, 0, 0,
     kDecodingParam, nullptr},
    {"video_size", "A string describing frame size, such as 640x480 or hd720.",
     int(offsetof(FrameInputContext, VideoSize)), AV_OPT_TYPE_STRING, {.str = nullptr}, 0, 0,
     kDecodingParam, nullptr},
    {"framerate", nullptr, int(offsetof(FrameInputContext, FrameRate)), AV_OPT_TYPE_STRING,
     {.str = "ntsc"}, 0, 0, kDecodingParam, nullptr},
    {"pixel_format", "pal8/rgb555le/bgr24/bgra for canvas/bmp/dc",
     int(offsetof(FrameInputContext, PixelFormat)), AV_OPT_TYPE_STRING, {.str = "yuv420p"}, 0, 0,
     kDecodingParam, nullptr},
    {nullptr, nullptr, 0, AVOptionType(0), {.i64 = 0}, 0, 0, 0, nullptr},
};

const AVClass kFrameInputClass = OwnFormatClass("FrameInputFormat", ItemName, kOptions);

const TInputFormat kFrameInputFormat = {
    .name = "frameinput",
    .long_name = "Frame input",
    .flags = AVFMT_NOFILE,
    .priv_class = &kFrameInputClass,
    .priv_data_size = int(sizeof(FrameInputContext)),
    .read_header = ReadHeader,
    .read_packet = ReadPacket,
    .read_close = ReadClose,
};

}  // namespace

const TInputFormat& FrameInputFormat() { return kFrameInputFormat; }

}  // namespace media

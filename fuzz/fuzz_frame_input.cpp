// The "frameinput" format's header options (input type, size, rate, pixel
// format) and input name from arbitrary text, then a few packets whose
// events fill the whole frame memory, move the time stamp or fail.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "media/frame_source/frame_input_format.h"
#include "media/frame_source/own_input.h"
#include "media_setup.h"
#include "picture_check.h"

namespace {

// Real frame sizes up to this many pixels are opened; larger ones are
// skipped, as filling them costs time, not coverage.
constexpr int64_t kMaxFramePixels = int64_t(1) << 21;

const char* const kOptionNames[] = {"input_type", "video_size", "framerate", "pixel_format"};
const char* const kGoodValues[][4] = {
    {"canvas", "bmp", "dc", "yuv"},
    {"320x240", "hd720", "1x1", "17x3"},
    {"30/1", "ntsc", "25", "1000000/1"},
    {"bgra", "pal8", "rgb555le", "bgr24"},
};

// Mostly sensible values, so the fuzzer gets past the first check.
std::string OptionValue(FuzzedDataProvider& in, int option) {
  if (in.ConsumeBool()) return kGoodValues[option][in.ConsumeIntegralInRange(0, 3)];
  return in.ConsumeRandomLengthString(40);
}

bool Affordable(const AVDictionary* options) {
  const AVDictionaryEntry* size = ff::av_dict_get(options, "video_size", nullptr, 0);
  int w = 0, h = 0;
  if (!size || ff::av_parse_video_size(&w, &h, size->value) < 0) return true;
  return int64_t(w) * h <= kMaxFramePixels;
}

struct Behaviour {
  int result = 0;      // what the frame event returns
  bool fill = true;    // write every byte of the frame memory
  bool throws = false;
  int64_t pts = -1;    // new time stamp, when >= 0
};

int FrameEvent(const Behaviour& b, uint8_t* memory, media::PInputFrameInfo info) {
  if (b.throws) throw std::runtime_error("frame handler failed");
  if (b.fill) std::memset(memory, 0x5A, size_t(info->FrameSize));
  if (b.pts >= 0) info->Pts = b.pts;
  return b.result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::LoadMediaOnce();
  FuzzedDataProvider in(data, size);
  media::TFrameInputAdapter adapter;

  AVDictionary* options = nullptr;
  for (int i = 0; i < 4; ++i)
    if (in.ConsumeBool())
      ff::av_dict_set(&options, kOptionNames[i], OptionValue(in, i).c_str(), 0);
  const std::string url = in.ConsumeBool() ? adapter.InputFileName() : in.ConsumeRandomLengthString(24);
  Behaviour b;
  b.result = in.ConsumeIntegralInRange(-2, 1);
  b.fill = in.ConsumeBool();
  b.throws = in.ConsumeIntegralInRange(0, 7) == 0;
  b.pts = in.ConsumeBool() ? in.ConsumeIntegral<int64_t>() : -1;
  const int packets = in.ConsumeIntegralInRange(0, 3);
  if (!Affordable(options)) {
    ff::av_dict_free(&options);
    return 0;
  }

  const bool headerThrows = in.ConsumeIntegralInRange(0, 7) == 0;
  adapter.OnReadHeader = [headerThrows](media::TFrameInputAdapter*) {
    if (headerThrows) throw std::runtime_error("header handler failed");
  };
  adapter.OnReadFrameYUV = [&b](media::TFrameInputAdapter*, uint8_t* d, media::PInputFrameInfo info) {
    return FrameEvent(b, d, info);
  };
  adapter.OnReadFrameBMP = adapter.OnReadFrameYUV;
  adapter.OnReadFrameCanvas = [&b](media::TFrameInputAdapter*, gfx::Canvas&, media::PInputFrameInfo info) {
    return FrameEvent(b, info->Bits, info);
  };
  adapter.OnReadFrameDC = adapter.OnReadFrameCanvas;

  AVFormatContext* ctx = nullptr;
  try {
    if (media::OpenOwnInput(&media::FrameInputFormat(), url.c_str(), &options, &ctx) == 0) {
      if (!ctx || ctx->nb_streams != 1) fuzz::Fail("an opened input without its one stream");
      const int frameSize = static_cast<media::FrameInputContext*>(ctx->priv_data)->FrameInfo.FrameSize;
      AVPacket* packet = ff::av_packet_alloc();
      for (int i = 0; i < packets; ++i) {
        try {
          if (media::ReadOwnPacket(ctx, packet) == 0 && packet->size != frameSize)
            fuzz::Fail("a packet that is not one whole frame");
        } catch (const std::runtime_error&) {
          if (!b.throws) fuzz::Fail("a packet failed though its handler did not throw");
        }
        ff::av_packet_unref(packet);
      }
      ff::av_packet_free(&packet);
      media::CloseOwnInput(&ctx);
    } else if (ctx) {
      fuzz::Fail("a refused input left a context");
    }
  } catch (const std::runtime_error&) {
    if (!headerThrows) fuzz::Fail("opening failed with an exception though no handler threw");
    if (ctx) fuzz::Fail("a failed open left a context");
  }
  ff::av_dict_free(&options);
  fuzz::ResetMediaState();
  return 0;
}

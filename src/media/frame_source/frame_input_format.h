// The "frameinput" input format: private data of one open input and the
// format's descriptor. Only the adapter and tests need this header; the
// engine reaches the format through the input-format registry.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

#include "media/frame_source/frame_input_adapter.h"
#include "media/frame_source/input_format_registry.h"
#include "media/frame_source/packet_pool.h"

namespace media {

// Zero-filled by the opener; the option strings are set from the format
// options before ReadHeader runs.
struct FrameInputContext {
  const AVClass* Class;  // first: the private options' class
  TInputFrameInfo FrameInfo;
  char* InputType;    // "input_type"
  char* PixelFormat;  // "pixel_format"
  char* VideoSize;    // "video_size"
  char* FrameRate;    // "framerate"
  uint64_t AdapterNumber;  // the adapter's InputFileName; looked up per call
  // The bitmap the frames are drawn on (bmp/canvas/dc): handed over by a
  // successful header read, freed by the close.
  TFrameStore* FrameStore;
};

const TInputFormat& FrameInputFormat();

}  // namespace media

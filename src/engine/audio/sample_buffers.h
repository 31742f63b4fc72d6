// Small sample-buffer helpers of the audio path.
#pragma once

#include <cstdint>

#include "media/binding/ff_entry_points.h"

namespace engine {

// Makes `frame` hold at least `samples` samples of the encoder's format,
// reusing its buffer when it is large enough and not referenced elsewhere.
int PrepareAudioFrame(AVFrame* frame, const AVCodecContext& c, int samples);

bool IsPlanar(AVSampleFormat f);

// Multiplies every sample by volume / 256, clipping integer formats.
void ScaleSamples(uint8_t** data, int count, int channels, AVSampleFormat format, int volume);

}  // namespace engine

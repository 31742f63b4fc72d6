// The sound of one encoded output stream on its way from the decoder to the
// encoder: resampled to the encoder's format, scaled by the volume, kept in
// step with the time stamps, queued and cut into encoder frames.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/library_owners.h"

namespace engine {

class TCustomFFmpeg;
struct InputStream;

// The run's sound settings the path follows.
struct AudioSync {
  int method = 0;               // "async": 0 off, 1 gaps and overlaps, >1 also drift
  float driftThreshold = 0.1f;  // seconds
  int volume = 256;             // "vol", 256 = unchanged
};

// Used by the thread that runs the conversion only. In join mode the path
// moves with the encoder to the next input's record.
class AudioPath {
 public:
  // channelMap: input channel per output channel, -1 = silent; empty = all.
  // rematrixVolume scales what the resampler mixes when channels change.
  explicit AudioPath(std::vector<int> channelMap = {}, float rematrixVolume = 1.0f)
      : channelMap_(std::move(channelMap)), rematrixVolume_(rematrixVolume) {}

  const std::vector<int>& ChannelMap() const { return channelMap_; }
  float RematrixVolume() const { return rematrixVolume_; }

  // Before the encoder opens: a queue to prove memory for; false if none.
  bool Reserve();
  // After the encoder opened: the queue and frames in its format; false if
  // memory ran out.
  bool Open(const AVCodecContext& encoder, const AVCodec& codec, AudioSync sync);

  // A decoded frame in: resampled when needed, scaled, synced and queued;
  // false for a frame that carries no sound.
  // streamInFile: the input stream's index within its file, for messages.
  bool Push(TCustomFFmpeg& e, const AVCodecContext& encoder, const InputStream& ist,
            int streamInFile, const AVFrame& decoded);
  // Queues what the resampler still holds.
  void DrainResampler(const AVCodecContext& encoder);
  // The next encoder frame, its time stamp set, or null when less than one
  // frame is queued; with flush the rest goes out as a last short or padded
  // frame. The frame is the path's own, valid until the next call.
  AVFrame* NextFrame(TCustomFFmpeg& e, const AVCodecContext& encoder, const AVCodec& codec,
                     bool flush);
  // The next input (join mode) starts with a resampler of its own.
  void StartNewInput();

  // Samples handed to the encoder, and those with the ones still queued.
  int64_t SamplesOut() const { return nextSample_; }
  int64_t SamplesQueued() const;

 private:
  void NoteInputChange(TCustomFFmpeg& e, const InputStream& ist, int streamInFile,
                       const AVFrame& decoded);
  void PrepareResampler(TCustomFFmpeg& e, const AVCodecContext& c, const InputStream& ist,
                        int streamInFile, const AVFrame& decoded);
  int64_t Sync(TCustomFFmpeg& e, const AVCodecContext& c, const InputStream& ist);
  void Queue(TCustomFFmpeg& e, const AVCodecContext& c, uint8_t** data, int count, int64_t cut);

  AudioSync sync_;
  std::vector<int> channelMap_;
  float rematrixVolume_;
  FifoPtr fifo_;
  SwrPtr swr_;
  bool swrFailed_ = false;   // not tried again until the input changes
  FramePtr converted_;       // resampled samples
  FramePtr frame_;           // one encoder frame
  int64_t nextSample_ = 0;   // time stamp of the next encoder frame, in samples
  // The sound format resampled last, to notice a change mid-stream.
  int lastRate_ = 0;
  int lastFormat_ = -1;
  int lastChannels_ = 0;
};

}  // namespace engine

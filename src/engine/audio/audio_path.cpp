#include "engine/audio/audio_path.h"

#include <algorithm>
#include <cmath>

#include "engine/audio/sample_buffers.h"
#include "engine/custom_ffmpeg.h"
#include "engine/transcode_records.h"
#include "media/binding/ff_utils.h"

namespace engine {

bool AudioPath::Reserve() {
  fifo_.reset(ff::av_audio_fifo_alloc(AV_SAMPLE_FMT_S16, 2, 1024));
  return fifo_ != nullptr;
}

bool AudioPath::Open(const AVCodecContext& c, const AVCodec& codec, AudioSync sync) {
  sync_ = sync;
  const int frame = (codec.capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || !c.frame_size
                        ? 0
                        : c.frame_size;
  fifo_.reset(ff::av_audio_fifo_alloc(c.sample_fmt, c.ch_layout.nb_channels,
                                      frame ? frame * 2 : 4096));
  frame_.reset(ff::av_frame_alloc());
  converted_.reset(ff::av_frame_alloc());
  return fifo_ && frame_ && converted_;
}

int64_t AudioPath::SamplesQueued() const {
  return nextSample_ + (fifo_ ? ff::av_audio_fifo_size(fifo_.get()) : 0);
}

void AudioPath::StartNewInput() {
  swr_.reset();
  swrFailed_ = false;
  lastRate_ = 0;
  lastFormat_ = -1;
  lastChannels_ = 0;
}

bool AudioPath::Push(TCustomFFmpeg& e, const AVCodecContext& c, const InputStream& ist,
                     int streamInFile, const AVFrame& decoded) {
  if (decoded.sample_rate <= 0 || decoded.ch_layout.nb_channels <= 0) return false;
  NoteInputChange(e, ist, streamInFile, decoded);
  PrepareResampler(e, c, ist, streamInFile, decoded);
  const int64_t cut = Sync(e, c, ist);

  uint8_t** data = decoded.extended_data;
  int count = decoded.nb_samples;
  if (swr_) {
    const int capacity = ff::swr_get_out_samples(swr_.get(), decoded.nb_samples);
    if (capacity < 0) e.RaiseError("Out of memory in do_audio_out()");
    if (PrepareAudioFrame(converted_.get(), c, capacity) < 0)
      e.RaiseError("Out of memory in do_audio_out()");
    count = ff::swr_convert(swr_.get(), converted_->data, capacity,
                            const_cast<const uint8_t**>(decoded.extended_data),
                            decoded.nb_samples);
    if (count < 0) e.RaiseError(media::FormatMediaError("swr_convert()", count));
    data = converted_->data;
    // Our own buffer: the decoder's frame is never changed in place.
    if (sync_.volume != 256)
      ScaleSamples(converted_->extended_data, count, c.ch_layout.nb_channels, c.sample_fmt,
                   sync_.volume);
  }
  Queue(e, c, data, count, cut);
  return true;
}

// A stream whose rate, format or channels change mid-way gets a new resampler.
void AudioPath::NoteInputChange(TCustomFFmpeg& e, const InputStream& ist, int streamInFile,
                                const AVFrame& decoded) {
  const int inRate = decoded.sample_rate;
  const int inFormat = decoded.format;
  const int inChannels = decoded.ch_layout.nb_channels;
  if (lastRate_ &&
      (lastRate_ != inRate || lastFormat_ != inFormat || lastChannels_ != inChannels)) {
    const char* oldName = ff::av_get_sample_fmt_name(AVSampleFormat(lastFormat_));
    const char* newName = ff::av_get_sample_fmt_name(AVSampleFormat(inFormat));
    e.Log(media::llInfo,
          media::FormatText("Input stream #%d:%d frame changed from rate:%d fmt:%s ch:%d to "
                            "rate:%d fmt:%s ch:%d",
                            ist.file_index, streamInFile, lastRate_, oldName ? oldName : "?",
                            lastChannels_, inRate, newName ? newName : "?", inChannels));
    swr_.reset();
    swrFailed_ = false;
  }
  lastRate_ = inRate;
  lastFormat_ = inFormat;
  lastChannels_ = inChannels;
}

// Makes the resampler when the encoder's rate, format or channels differ,
// when drift is compensated, channels are mapped or the volume changes;
// raises when none can be made.
void AudioPath::PrepareResampler(TCustomFFmpeg& e, const AVCodecContext& c,
                                 const InputStream& ist, int streamInFile,
                                 const AVFrame& decoded) {
  const int inRate = decoded.sample_rate;
  const int inFormat = decoded.format;
  const int inChannels = decoded.ch_layout.nb_channels;
  const bool resample = c.sample_rate != inRate || c.sample_fmt != inFormat ||
                        c.ch_layout.nb_channels != inChannels || sync_.method > 1 ||
                        !channelMap_.empty() || sync_.volume != 256;
  for (const int channel : channelMap_)
    if (channel >= inChannels)
      e.RaiseError(media::FormatText("mapchan: invalid audio channel #%d of %d in stream #%d:%d",
                                     channel, inChannels, ist.file_index, streamInFile));
  if (resample && !swr_ && !swrFailed_) {
    SwrContext* swr = nullptr;
    AVChannelLayout inLayout{};
    if (decoded.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
      ff::av_channel_layout_default(&inLayout, inChannels);
    else
      ff::av_channel_layout_copy(&inLayout, &decoded.ch_layout);
    // The library takes the layouts as not const but only reads them.
    int ret = ff::swr_alloc_set_opts2(&swr, const_cast<AVChannelLayout*>(&c.ch_layout),
                                      c.sample_fmt, c.sample_rate, &inLayout,
                                      AVSampleFormat(inFormat), inRate, 0, nullptr);
    SwrPtr owner(swr);
    ff::av_channel_layout_uninit(&inLayout);
    // Drift compensation stretches the sound, which only the resampling
    // path can do.
    if (ret >= 0 && sync_.method > 1)
      ret = ff::av_opt_set_int(swr, "swr_flags", SWR_FLAG_RESAMPLE, 0);
    if (ret >= 0 && rematrixVolume_ != 1.0f)
      ret = ff::av_opt_set_double(swr, "rmvol", rematrixVolume_, 0);
    // The map picks the channels the rest of the conversion works on.
    if (ret >= 0 && !channelMap_.empty()) {
      ret = ff::av_opt_set_int(swr, "used_channel_count", int64_t(channelMap_.size()), 0);
      if (ret >= 0) ret = ff::swr_set_channel_mapping(swr, channelMap_.data());
    }
    if (ret >= 0 && ff::swr_init(swr) >= 0) {
      swr_ = std::move(owner);
    } else {
      e.Log(media::llFatal, "swr_init() failed");
      swrFailed_ = true;
    }
  }
  if (resample && !swr_)
    e.RaiseError(media::FormatText("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                   inChannels, inRate, c.ch_layout.nb_channels, c.sample_rate));
}

// Follows the time stamps: silence for a gap, a count of samples to cut for
// an overlap (returned), or a stretch for a small drift. Decided before
// converting, so a compensation applies to this frame.
int64_t AudioPath::Sync(TCustomFFmpeg& e, const AVCodecContext& c, const InputStream& ist) {
  // With no sync method the sound starts where its first time stamp says.
  if (ist.is_start && nextSample_ == 0 && ff::av_audio_fifo_size(fifo_.get()) == 0 &&
      ist.pts > 0 && sync_.method == 0)
    nextSample_ = ff::av_rescale(ist.pts, c.sample_rate, AV_TIME_BASE);
  if (sync_.method <= 0) return 0;

  // Samples the time stamps say should have gone out by now, against what has.
  const double syncTime = double(ist.pts) / AV_TIME_BASE;
  const int64_t queued = ff::av_audio_fifo_size(fifo_.get());
  const double delta = syncTime * c.sample_rate - double(nextSample_) - double(queued);
  if (std::fabs(delta) <= 50) return 0;
  if (ist.is_start || std::fabs(delta) > sync_.driftThreshold * c.sample_rate) {
    if (delta < 0) return std::llround(-delta);
    const int silence = int(std::min<double>(delta, c.sample_rate * 60.0));
    e.Log(media::llVerbose, media::FormatText("adding %d audio samples of silence", silence));
    if (PrepareAudioFrame(frame_.get(), c, silence) < 0)
      e.RaiseError("Out of memory in do_audio_out()");
    ff::av_samples_set_silence(frame_->data, 0, silence, c.ch_layout.nb_channels, c.sample_fmt);
    if (ff::av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(frame_->data), silence) <
        silence)
      e.RaiseError("av_fifo_realloc2() failed");
  } else if (sync_.method > 1 && swr_) {
    // A small drift is absorbed by stretching the next second of sound.
    const int limit = sync_.method;
    const int comp = int(std::clamp<double>(delta, -limit, limit));
    e.Log(media::llVerbose,
          media::FormatText("compensating audio timestamp drift:%f compensation:%d in:%d", delta,
                            comp, c.sample_rate));
    const int ret = ff::swr_set_compensation(swr_.get(), comp, c.sample_rate);
    if (ret < 0) e.RaiseError(media::FormatMediaError("swr_set_compensation()", ret));
  }
  return 0;
}

// Queues the converted samples for the encoder, less the first CUT.
void AudioPath::Queue(TCustomFFmpeg& e, const AVCodecContext& c, uint8_t** data, int count,
                      int64_t cut) {
  int skip = 0;
  if (cut > 0) {
    skip = int(std::min<int64_t>(cut, count));
    e.Log(media::llVerbose, media::FormatText("discarding %d audio samples", skip));
  }
  if (count - skip <= 0) return;
  void** samples = reinterpret_cast<void**>(data);
  std::vector<uint8_t*> planes;
  if (skip > 0) {
    // The samples after the cut, per plane (planar) or interleaved.
    const int bytes = ff::av_get_bytes_per_sample(c.sample_fmt);
    const bool planar = IsPlanar(c.sample_fmt);
    const int planeCount = planar ? c.ch_layout.nb_channels : 1;
    const int step = planar ? bytes : bytes * c.ch_layout.nb_channels;
    for (int p = 0; p < planeCount; ++p) planes.push_back(data[p] + size_t(skip) * step);
    samples = reinterpret_cast<void**>(planes.data());
  }
  if (ff::av_audio_fifo_write(fifo_.get(), samples, count - skip) < count - skip)
    e.RaiseError("av_fifo_realloc2() failed");
}

void AudioPath::DrainResampler(const AVCodecContext& c) {
  if (!swr_) return;
  const int capacity = ff::swr_get_out_samples(swr_.get(), 0);
  if (capacity > 0 && PrepareAudioFrame(converted_.get(), c, capacity) >= 0) {
    const int got = ff::swr_convert(swr_.get(), converted_->data, capacity, nullptr, 0);
    if (got > 0)
      ff::av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted_->data), got);
  }
}

AVFrame* AudioPath::NextFrame(TCustomFFmpeg& e, const AVCodecContext& c, const AVCodec& codec,
                              bool flush) {
  const bool variable = (codec.capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) ||
                        c.frame_size <= 0;
  const int queued = ff::av_audio_fifo_size(fifo_.get());
  if (queued <= 0) return nullptr;
  int take = variable ? queued : c.frame_size;
  if (!variable && queued < take) {
    if (!flush) return nullptr;
    take = queued;
  }
  // A short last frame is padded unless the encoder takes it as it is.
  const bool pad = !variable && take < c.frame_size &&
                   !(codec.capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
  const int frameSamples = pad ? c.frame_size : take;
  AVFrame* frame = frame_.get();
  if (PrepareAudioFrame(frame, c, frameSamples) < 0)
    e.RaiseError("out-of-memory in encode_audio_frame()");
  if (ff::av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->data), take) < take)
    e.RaiseError("Audio encoding failed");
  if (pad)
    ff::av_samples_set_silence(frame->data, take, frameSamples - take, c.ch_layout.nb_channels,
                               c.sample_fmt);
  frame->pts = nextSample_;
  nextSample_ += frameSamples;
  return frame;
}

}  // namespace engine

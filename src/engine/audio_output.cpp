// Audio output: resampling to the encoder's format, the sample FIFO that
// cuts the sound into encoder frames, and the flush at the end.
#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

// Makes `frame` hold at least `samples` samples of the encoder's format,
// reusing its buffer when it is large enough and not referenced elsewhere.
int PrepareFrame(AVFrame* frame, const AVCodecContext* c, int samples) {
  if (frame->buf[0] && frame->nb_samples >= samples && frame->format == c->sample_fmt) {
    const int ret = ff::av_frame_make_writable(frame);
    if (ret < 0) return ret;
    frame->nb_samples = samples;
    return 0;
  }
  ff::av_frame_unref(frame);
  frame->format = c->sample_fmt;
  frame->sample_rate = c->sample_rate;
  frame->nb_samples = samples;
  int ret = ff::av_channel_layout_copy(&frame->ch_layout, &c->ch_layout);
  if (ret < 0) return ret;
  return ff::av_frame_get_buffer(frame, 0);
}

bool IsPlanar(AVSampleFormat f) {
  return f == AV_SAMPLE_FMT_U8P || f == AV_SAMPLE_FMT_S16P || f == AV_SAMPLE_FMT_S32P ||
         f == AV_SAMPLE_FMT_FLTP || f == AV_SAMPLE_FMT_DBLP || f == AV_SAMPLE_FMT_S64P;
}

}  // namespace

void TTranscoder::DoAudioOut(OutputStream& ost, InputStream& ist, int istIndex, AVFrame* decoded) {
  if (decoded->sample_rate <= 0 || decoded->ch_layout.nb_channels <= 0) return;
  NoteAudioInputChange(ost, ist, istIndex, decoded);
  PrepareResampler(ost, ist, istIndex, decoded);
  const int64_t cut = SyncAudio(ost, ist);

  uint8_t** data = decoded->extended_data;
  int count = decoded->nb_samples;
  if (ost.swr) {
    AVCodecContext* c = ost.enc_ctx.get();
    const int capacity = ff::swr_get_out_samples(ost.swr.get(), decoded->nb_samples);
    if (capacity < 0) RaiseError("Out of memory in do_audio_out()");
    if (PrepareFrame(ost.converted.get(), c, capacity) < 0)
      RaiseError("Out of memory in do_audio_out()");
    count = ff::swr_convert(ost.swr.get(), ost.converted->data, capacity,
                            const_cast<const uint8_t**>(decoded->extended_data),
                            decoded->nb_samples);
    if (count < 0) RaiseError(media::FormatMediaError("swr_convert()", count));
    data = ost.converted->data;
  }
  QueueAudio(ost, data, count, cut);
  EncodeAudioFrames(ost, false);
}

// A stream whose rate, format or channels change mid-way gets a new resampler.
void TTranscoder::NoteAudioInputChange(OutputStream& ost, InputStream& ist, int istIndex,
                                       const AVFrame* decoded) {
  const int inRate = decoded->sample_rate;
  const int inFormat = decoded->format;
  const int inChannels = decoded->ch_layout.nb_channels;
  if (ist.last_rate && (ist.last_rate != inRate || ist.last_format != inFormat ||
                        ist.last_channels != inChannels)) {
    const char* oldName = ff::av_get_sample_fmt_name(AVSampleFormat(ist.last_format));
    const char* newName = ff::av_get_sample_fmt_name(AVSampleFormat(inFormat));
    Log(media::llInfo,
        media::FormatText("Input stream #%d:%d frame changed from rate:%d fmt:%s ch:%d to rate:%d "
                          "fmt:%s ch:%d",
                          ist.file_index, istIndex - inputFiles_[ist.file_index]->ist_index,
                          ist.last_rate, oldName ? oldName : "?", ist.last_channels, inRate,
                          newName ? newName : "?", inChannels));
    ost.swr.reset();
    ost.swr_failed = false;
  }
  ist.last_rate = inRate;
  ist.last_format = inFormat;
  ist.last_channels = inChannels;
}

// Makes the resampler when the encoder's rate, format or channels differ,
// when drift is compensated or channels are mapped; raises when none can be.
void TTranscoder::PrepareResampler(OutputStream& ost, InputStream& ist, int istIndex,
                                   const AVFrame* decoded) {
  AVCodecContext* c = ost.enc_ctx.get();
  const int inRate = decoded->sample_rate;
  const int inFormat = decoded->format;
  const int inChannels = decoded->ch_layout.nb_channels;
  const bool resample = c->sample_rate != inRate || c->sample_fmt != inFormat ||
                        c->ch_layout.nb_channels != inChannels ||
                        Settings().audio_sync_method > 1 || !ost.channel_map.empty();
  for (const int channel : ost.channel_map)
    if (channel >= inChannels)
      RaiseError(media::FormatText("mapchan: invalid audio channel #%d of %d in stream #%d:%d",
                                   channel, inChannels, ist.file_index,
                                   istIndex - inputFiles_[ist.file_index]->ist_index));
  if (resample && !ost.swr && !ost.swr_failed) {
    SwrContext* swr = nullptr;
    AVChannelLayout inLayout{};
    if (decoded->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
      ff::av_channel_layout_default(&inLayout, inChannels);
    else
      ff::av_channel_layout_copy(&inLayout, &decoded->ch_layout);
    int ret = ff::swr_alloc_set_opts2(&swr, &c->ch_layout, c->sample_fmt, c->sample_rate,
                                      &inLayout, AVSampleFormat(inFormat), inRate, 0, nullptr);
    ff::av_channel_layout_uninit(&inLayout);
    // Drift compensation stretches the sound, which only the resampling
    // path can do.
    if (ret >= 0 && Settings().audio_sync_method > 1)
      ret = ff::av_opt_set_int(swr, "swr_flags", SWR_FLAG_RESAMPLE, 0);
    // The map picks the channels the rest of the conversion works on.
    if (ret >= 0 && !ost.channel_map.empty()) {
      ret = ff::av_opt_set_int(swr, "used_channel_count", int64_t(ost.channel_map.size()), 0);
      if (ret >= 0) ret = ff::swr_set_channel_mapping(swr, ost.channel_map.data());
    }
    if (ret >= 0 && ff::swr_init(swr) >= 0) {
      ost.swr.reset(swr);
    } else {
      ff::swr_free(&swr);
      Log(media::llFatal, "swr_init() failed");
      ost.swr_failed = true;
    }
  }
  if (resample && !ost.swr)
    RaiseError(media::FormatText("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                 inChannels, inRate, c->ch_layout.nb_channels, c->sample_rate));
}

// Follows the time stamps: silence for a gap, a count of samples to cut for
// an overlap (returned), or a stretch for a small drift. Decided before
// converting, so a compensation applies to this frame.
int64_t TTranscoder::SyncAudio(OutputStream& ost, InputStream& ist) {
  AVCodecContext* c = ost.enc_ctx.get();
  // With no sync method the sound starts where its first time stamp says.
  if (ist.is_start && ost.next_sample == 0 && ff::av_audio_fifo_size(ost.fifo.get()) == 0 &&
      ist.pts > 0 && Settings().audio_sync_method == 0)
    ost.next_sample = ff::av_rescale(ist.pts, c->sample_rate, AV_TIME_BASE);
  if (Settings().audio_sync_method <= 0) return 0;

  // Samples the time stamps say should have gone out by now, against what has.
  const double syncTime = double(ist.pts) / AV_TIME_BASE;
  const int64_t queued = ff::av_audio_fifo_size(ost.fifo.get());
  const double delta = syncTime * c->sample_rate - double(ost.next_sample) - double(queued);
  if (std::fabs(delta) <= 50) return 0;
  if (ist.is_start || std::fabs(delta) > Settings().audio_drift_threshold * c->sample_rate) {
    if (delta < 0) return std::llround(-delta);
    const int silence = int(std::min<double>(delta, c->sample_rate * 60.0));
    Log(media::llVerbose, media::FormatText("adding %d audio samples of silence", silence));
    if (PrepareFrame(ost.audio_frame.get(), c, silence) < 0)
      RaiseError("Out of memory in do_audio_out()");
    ff::av_samples_set_silence(ost.audio_frame->data, 0, silence, c->ch_layout.nb_channels,
                               c->sample_fmt);
    if (ff::av_audio_fifo_write(ost.fifo.get(), reinterpret_cast<void**>(ost.audio_frame->data),
                                silence) < silence)
      RaiseError("av_fifo_realloc2() failed");
  } else if (Settings().audio_sync_method > 1 && ost.swr) {
    // A small drift is absorbed by stretching the next second of sound.
    const int limit = Settings().audio_sync_method;
    const int comp = int(std::clamp<double>(delta, -limit, limit));
    Log(media::llVerbose,
        media::FormatText("compensating audio timestamp drift:%f compensation:%d in:%d", delta,
                          comp, c->sample_rate));
    const int ret = ff::swr_set_compensation(ost.swr.get(), comp, c->sample_rate);
    if (ret < 0) RaiseError(media::FormatMediaError("swr_set_compensation()", ret));
  }
  return 0;
}

// Queues the converted samples for the encoder, less the first CUT.
void TTranscoder::QueueAudio(OutputStream& ost, uint8_t** data, int count, int64_t cut) {
  AVCodecContext* c = ost.enc_ctx.get();
  int skip = 0;
  if (cut > 0) {
    skip = int(std::min<int64_t>(cut, count));
    Log(media::llVerbose, media::FormatText("discarding %d audio samples", skip));
  }
  if (count - skip <= 0) return;
  void** samples = reinterpret_cast<void**>(data);
  std::vector<uint8_t*> planes;
  if (skip > 0) {
    // The samples after the cut, per plane (planar) or interleaved.
    const int bytes = ff::av_get_bytes_per_sample(c->sample_fmt);
    const bool planar = IsPlanar(c->sample_fmt);
    const int planeCount = planar ? c->ch_layout.nb_channels : 1;
    const int step = planar ? bytes : bytes * c->ch_layout.nb_channels;
    for (int p = 0; p < planeCount; ++p) planes.push_back(data[p] + size_t(skip) * step);
    samples = reinterpret_cast<void**>(planes.data());
  }
  if (ff::av_audio_fifo_write(ost.fifo.get(), samples, count - skip) < count - skip)
    RaiseError("av_fifo_realloc2() failed");
}

void TTranscoder::EncodeAudioFrames(OutputStream& ost, bool flush) {
  AVCodecContext* c = ost.enc_ctx.get();
  AVAudioFifo* fifo = ost.fifo.get();
  const bool variable = (ost.enc->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) ||
                        c->frame_size <= 0;
  while (true) {
    const int queued = ff::av_audio_fifo_size(fifo);
    if (queued <= 0) break;
    int take = variable ? queued : c->frame_size;
    if (!variable && queued < take) {
      if (!flush) break;
      take = queued;
    }
    // A short last frame is padded unless the encoder takes it as it is.
    const bool pad = !variable && take < c->frame_size &&
                     !(ost.enc->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
    const int frameSamples = pad ? c->frame_size : take;
    AVFrame* frame = ost.audio_frame.get();
    if (PrepareFrame(frame, c, frameSamples) < 0)
      RaiseError("out-of-memory in encode_audio_frame()");
    if (ff::av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->data), take) < take)
      RaiseError("Audio encoding failed");
    if (pad)
      ff::av_samples_set_silence(frame->data, take, frameSamples - take,
                                 c->ch_layout.nb_channels, c->sample_fmt);
    frame->pts = ost.next_sample;
    ost.next_sample += frameSamples;
    DrainEncoder(ost, frame, &audioSize_, "Audio encoding failed");
  }
}

void TTranscoder::FlushAudio(OutputStream& ost) {
  DrainResampler(ost);
  EncodeAudioFrames(ost, true);
  DrainEncoder(ost, nullptr, &audioSize_, "Audio encoding failed");
}

void TTranscoder::DrainResampler(OutputStream& ost) {
  if (ost.swr) {
    AVCodecContext* c = ost.enc_ctx.get();
    const int capacity = ff::swr_get_out_samples(ost.swr.get(), 0);
    if (capacity > 0 && PrepareFrame(ost.converted.get(), c, capacity) >= 0) {
      const int got = ff::swr_convert(ost.swr.get(), ost.converted->data, capacity, nullptr, 0);
      if (got > 0)
        ff::av_audio_fifo_write(ost.fifo.get(), reinterpret_cast<void**>(ost.converted->data), got);
    }
  }
}

}  // namespace engine

// Where the audio path meets the encoder: decoded sound in, encoder frames
// out to the muxer, and the flush at the end.
#include "engine/transcoder.h"

namespace engine {

void TTranscoder::DoAudioOut(OutputStream& ost, InputStream& ist, int istIndex, AVFrame* decoded) {
  const int streamInFile = istIndex - inputFiles_[ist.file_index]->ist_index;
  if (ost.audio->Push(*this, *ost.enc_ctx, ist, streamInFile, *decoded))
    EncodeAudioFrames(ost, false);
}

void TTranscoder::EncodeAudioFrames(OutputStream& ost, bool flush) {
  while (AVFrame* frame = ost.audio->NextFrame(*this, *ost.enc_ctx, *ost.enc, flush))
    DrainEncoder(ost, frame, &totals_.audioBytes, "Audio encoding failed");
}

void TTranscoder::FlushAudio(OutputStream& ost) {
  ost.audio->DrainResampler(*ost.enc_ctx);
  EncodeAudioFrames(ost, true);
  DrainEncoder(ost, nullptr, &totals_.audioBytes, "Audio encoding failed");
}

void TTranscoder::HandleAudioFrame(InputStream& ist, int istIndex) {
  AVFrame* frame = ist.frame.get();
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
    ist.pts = ff::av_rescale_q(frame->best_effort_timestamp, ist.st->time_base, AV_TIME_BASE_Q);
  audioHook_.Run(OnAudioHook, *this, ist.pts, *frame);
  RateEmulate(ist);
  for (auto& ost : outputStreams_)
    if (ost->source_index == istIndex && ost->encoding_needed)
      DoAudioOut(*ost, ist, istIndex, frame);
  if (frame->sample_rate > 0)
    ist.next_dts = ist.pts + int64_t(frame->nb_samples) * AV_TIME_BASE / frame->sample_rate;
  ist.pts = ist.next_dts;
  ist.is_start = false;
}

}  // namespace engine

// Where the audio path meets the encoder: decoded sound in, encoder frames
// out to the muxer, and the flush at the end.
#include "engine/transcoder.h"

namespace engine {

void TTranscoder::DoAudioOut(OutputStream& ost, InputStream& ist, int istIndex, AVFrame* decoded) {
  const int streamInFile = istIndex - inputFiles_[ist.file_index]->ist_index;
  if (ost.audio->Push(*this, *ost.enc_ctx, ist, streamInFile, *decoded)) EncodeAudioFrames(ost, false);
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

}  // namespace engine

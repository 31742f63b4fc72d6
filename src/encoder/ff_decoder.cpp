#include "encoder/ff_decoder.h"

#include "encoder/stream_info.h"
#include "media/binding/ff_logger.h"
#include "media/binding/ff_utils.h"

namespace encoder {

TCustomDecoder::~TCustomDecoder() { Release(); }

void TCustomDecoder::Release() {
  ctx_ = nullptr;
  owned_.reset();
  counts_ = TStreamCounts();
}

void TCustomDecoder::Attach(AVFormatContext* ctx) {
  if (ctx == ctx_) return;
  media::FFLoader().RequireLibrarySet(kLibraries);
  Release();
  ctx_ = ctx;
  if (ctx_) Analyse();
}

bool TCustomDecoder::Open(const std::string& fileName) {
  media::FFLoader().RequireLibrarySet(kLibraries);
  AVFormatContext* raw = nullptr;
  int ret = ff::avformat_open_input(&raw, fileName.c_str(), nullptr, nullptr);
  media::InputContextPtr opened(raw);
  if (ret >= 0) ret = ff::avformat_find_stream_info(raw, nullptr);
  if (ret < 0) {
    SetLastErrorMessage(media::FormatMediaError(fileName, ret));
    return false;
  }
  Attach(raw);
  owned_ = std::move(opened);
  return true;
}

void TCustomDecoder::Analyse() {
  counts_ = TStreamCounts();
  counts_.FileSize = InputFileSize(ctx_);
  counts_.StreamCount = int32_t(ctx_->nb_streams);
  counts_.ProgramCount = int32_t(ctx_->nb_programs);
  counts_.VideoCount = counts_.AudioCount = counts_.SubtitleCount = 0;
  for (unsigned i = 0; i < ctx_->nb_streams; ++i) {
    int32_t* count = nullptr;
    int32_t* first = nullptr;
    switch (ctx_->streams[i]->codecpar->codec_type) {
      case AVMEDIA_TYPE_VIDEO: count = &counts_.VideoCount, first = &counts_.FirstVideo; break;
      case AVMEDIA_TYPE_AUDIO: count = &counts_.AudioCount, first = &counts_.FirstAudio; break;
      case AVMEDIA_TYPE_SUBTITLE:
        count = &counts_.SubtitleCount, first = &counts_.FirstSubtitle;
        break;
      default: continue;
    }
    if ((*count)++ == 0) *first = int32_t(i);
  }
}

std::string TFFDecoder::StreamInfoText() {
  if (!FormatContext()) {
    SetLastErrorMessage("file not loaded.");
    media::Log(this, media::llWarning, LastErrorMessage());
    return "";
  }
  return encoder::StreamInfoText(FormatContext(), InputFileSize(FormatContext()));
}

}  // namespace encoder

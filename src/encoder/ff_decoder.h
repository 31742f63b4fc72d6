// Describes an opened input: the encoder attaches the context of each input
// it opened, and the application asks for the stream-information text.
#pragma once

#include <cstdint>
#include <string>

#include "media/bridges/ff_base_component.h"
#include "media/binding/ff_loader.h"
#include "media/binding/ff_owners.h"

namespace encoder {

// What the analysis of an attached context found; -1 until analysed.
struct TStreamCounts {
  int64_t FileSize = -1;
  int32_t StreamCount = -1;
  int32_t ProgramCount = -1;
  int32_t VideoCount = -1;
  int32_t AudioCount = -1;
  int32_t SubtitleCount = -1;
  int32_t FirstVideo = -1;
  int32_t FirstAudio = -1;
  int32_t FirstSubtitle = -1;
};

class TCustomDecoder : public media::TFFBaseComponent {
 public:
  TCustomDecoder() = default;
  ~TCustomDecoder() override;

  // Attaches a context opened by someone else, which stays theirs; the same
  // context again changes nothing. Throws "Library %s not loaded." when the
  // libraries the text needs are missing.
  void Attach(AVFormatContext* ctx);
  // Opens a file of its own (closed with the next attach or on destruction);
  // false with the reason in LastErrorMessage when it cannot be read.
  bool Open(const std::string& fileName);
  AVFormatContext* FormatContext() const { return ctx_; }
  const TStreamCounts& Counts() const { return counts_; }

 protected:
  static constexpr media::TLibrarySet kLibraries = media::kInfoLibraries;

 private:
  void Release();
  void Analyse();

  AVFormatContext* ctx_ = nullptr;
  media::InputContextPtr owned_;  // ctx_ when it is ours
  TStreamCounts counts_;
};

class TFFDecoder : public TCustomDecoder {
 public:
  // The report on the attached input; empty (and "file not loaded." as the
  // last message and a warning) without one.
  std::string StreamInfoText();
};

}  // namespace encoder

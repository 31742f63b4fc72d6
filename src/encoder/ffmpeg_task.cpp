#include "encoder/ffmpeg_task.h"

#include <algorithm>

namespace encoder {
namespace {

template <class Record>
void StoreAt(std::vector<std::optional<Record>>& list, int index, const Record* record) {
  if (index < 0) return;
  if (size_t(index) >= list.size()) list.resize(size_t(index) + 1);
  if (record) list[size_t(index)] = *record;
  else list[size_t(index)].reset();
}

template <class Record>
const Record* FindAt(const std::vector<std::optional<Record>>& list, int index) {
  if (index < 0 || size_t(index) >= list.size() || !list[size_t(index)]) return nullptr;
  return &*list[size_t(index)];
}

}  // namespace

TFFmpeg::~TFFmpeg() {
  // The threads report into the encoder until they end: wait for them while
  // the callbacks still work, then cut the callbacks.
  JoinThreads();
  Disconnect();
  decoders_.clear();
}

void TFFmpeg::AttachDecoder() {
  const int index = InputCount() - 1;
  auto decoder = std::make_unique<TFFDecoder>();
  decoder->Attach(InputFiles().at(size_t(index))->ctx.get());
  if (decoders_.size() <= size_t(index)) decoders_.resize(size_t(index) + 1);
  decoders_[size_t(index)] = std::move(decoder);
}

void TFFmpeg::DetachDecoders() {
  for (auto& decoder : decoders_)
    if (decoder) decoder->Attach(nullptr);
}

TFFDecoder& TFFmpeg::Decoder(int inputIndex) const {
  if (inputIndex < 0 || inputIndex >= InputCount() || size_t(inputIndex) >= decoders_.size() ||
      !decoders_[size_t(inputIndex)])
    throw std::out_of_range("Input index " + std::to_string(inputIndex) + " out of range");
  return *decoders_[size_t(inputIndex)];
}

void TFFmpeg::Disconnect() {
  OnProgress = nullptr;
  OnTerminate = nullptr;
  OnPreviewBitmap = nullptr;
  OnBeforeFindStreamInfo = nullptr;
  OnAudioHook = nullptr;
  OnVideoInputHook = nullptr;
  OnVideoOutputHook = nullptr;
  OnFrameInputHook = nullptr;
  OnFrameOutputHook = nullptr;
}

void TFFmpeg::StoreInputOptions(int index, const TInputOptions* options) {
  StoreAt(inputOptions_, index, options);
}

void TFFmpeg::StoreOutputOptions(int index, const TOutputOptions* options) {
  StoreAt(outputOptions_, index, options);
}

const TInputOptions* TFFmpeg::InputOptions(int index) const { return FindAt(inputOptions_, index); }

const TOutputOptions* TFFmpeg::OutputOptions(int index) const {
  return FindAt(outputOptions_, index);
}

int TFFmpegList::Add(std::unique_ptr<TFFmpeg> engine) {
  items_.push_back(std::move(engine));
  return int(items_.size()) - 1;
}

void TFFmpegList::Remove(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds (" +
                                                             std::to_string(index) + ")");
  items_.erase(items_.begin() + index);
}

void TFFmpegList::Clear() {
  for (auto& item : items_) item.reset();
  items_.clear();
}

int TFFmpegList::IndexOf(const TFFmpeg& engine) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == &engine) return int(i);
  return -1;
}

}  // namespace encoder

// One task of the encoder: an engine with the option records it was set up
// with and the stream information of each input; and the list of tasks.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "encoder/ff_encoder.h"
#include "engine/transcoder.h"

namespace encoder {

class TFFmpeg : public engine::TTranscoder {
 public:
  explicit TFFmpeg(TCustomEncoder& owner) : owner_(owner) {}
  // Stops and waits for the engine's threads before anything they use goes.
  ~TFFmpeg() override;

  TCustomEncoder& Owner() const { return owner_; }

  // Copies of the records, by input and output index; null clears.
  void StoreInputOptions(int index, const TInputOptions* options);
  void StoreOutputOptions(int index, const TOutputOptions* options);
  const TInputOptions* InputOptions(int index) const;
  const TOutputOptions* OutputOptions(int index) const;

  int InputCount() const { return int(InputFiles().size()); }
  int OutputCount() const { return int(OutputFiles().size()); }

  // Drops every callback into the encoder.
  void Disconnect();

 private:
  TCustomEncoder& owner_;
  std::vector<std::optional<TInputOptions>> inputOptions_;
  std::vector<std::optional<TOutputOptions>> outputOptions_;
};

// Owns its engines; a task's index is its position.
class TFFmpegList {
 public:
  int Add(std::unique_ptr<TFFmpeg> engine);
  void Remove(int index);
  void Clear();
  int IndexOf(const TFFmpeg& engine) const;
  int Count() const { return int(items_.size()); }
  TFFmpeg& At(int index) const { return *items_.at(size_t(index)); }

  template <class Action>
  void ForEach(Action action) const {
    for (const auto& item : items_) action(*item);
  }

 private:
  std::vector<std::unique_ptr<TFFmpeg>> items_;
};

}  // namespace encoder

// The encoder's task operations: set-up, removal, the preview switches and
// the run controls that act on every task.
#include "encoder/ff_encoder.h"

#include "encoder/ffmpeg_task.h"
#include "media/binding/ff_loader.h"
#include "media/binding/ff_utils.h"

namespace encoder {

void InitInputOptions(TInputOptions& options) { options = TInputOptions(); }
void InitOutputOptions(TOutputOptions& options) { options = TOutputOptions(); }

TCustomEncoder::TCustomEncoder() : tasks_(std::make_unique<TFFmpegList>()) {}

TCustomEncoder::~TCustomEncoder() {
  OnProgress = nullptr;
  OnTerminate = nullptr;
  OnPreviewBitmap = nullptr;
  OnBeforeFindStreamInfo = nullptr;
  OnAudioHook = nullptr;
  OnVideoInputHook = nullptr;
  OnVideoOutputHook = nullptr;
  OnFrameInputHook = nullptr;
  OnFrameOutputHook = nullptr;
  {
    std::lock_guard guard(terminateLock_);
    remaining_ = 0;
  }
  tasks_->Clear();
  ReapTerminationThreads(true);
}

void TCustomEncoder::CheckBusy(const char* operation) const {
  if (working_) throw EncoderBusy(media::FormatText("Cannot %s while working.", operation));
}

TFFmpeg& TCustomEncoder::Task(int taskIndex) const {
  if (taskIndex < 0 || taskIndex >= tasks_->Count())
    throw std::out_of_range(media::FormatText("Task index %d out of range", taskIndex));
  return tasks_->At(taskIndex);
}

int TCustomEncoder::TaskIndexOf(const TFFmpeg& engine) const { return tasks_->IndexOf(engine); }

int TCustomEncoder::TaskCount() const { return tasks_->Count(); }

bool TCustomEncoder::LibrariesLoaded() const {
  return media::FFLoader().LibrarySetLoaded(media::kAllLibraries);
}

bool TCustomEncoder::LoadLibraries(const std::string& folder) {
  media::FFLoader().SetLibraryFolder(folder);
  if (media::FFLoader().LoadLibrarySet(media::kAllLibraries)) return true;
  SetLastErrorMessage(media::FFLoader().LastLoaderError());
  return false;
}

namespace {

// Stores the record for the input about to open and parses its options.
void ApplyInputOptions(TFFmpeg& engine, const std::string& fileName, TInputOptions* options) {
  const int n = engine.InputCount();
  if (!options) {
    engine.StoreInputOptions(n, nullptr);
    return;
  }
  if (options->FileName.empty()) options->FileName = fileName;
  engine.StoreInputOptions(n, options);
  engine.ParseOptions(options->Options);
  engine.ParsePresets(options->Presets);
}

}  // namespace

int TCustomEncoder::AddTask(const std::string& fileName, TInputOptions* options) {
  CheckBusy("AddTask");
  // Without the libraries this throws to the caller: a programming error.
  auto engine = std::make_unique<TFFmpeg>(*this);
  TFFmpeg& e = *engine;
  e.OnBeforeFindStreamInfo = [this, &e](AVFormatContext* ctx) { DoBeforeFindStreamInfo(e, ctx); };
  e.OnPreviewBitmap = [this, &e](const gfx::Bitmap& bitmap, int frame, int64_t pts) {
    DoPreviewBitmap(e, bitmap, frame, pts);
  };
  try {
    e.SetPreviewFlags(uint8_t((preview_ ? engine::TTranscoder::kPreviewWindow : 0) |
                              (previewBitmap_ ? engine::TTranscoder::kPreviewBitmap : 0)));
    e.SetOptionErrorsFatal(optionErrorsFatal_);
    ApplyInputOptions(e, fileName, options);
    e.SetInputTimeout(InputTimeout());
    e.SetOutputTimeout(OutputTimeout());
    const int result = e.OpenInput(fileName);
    if (result < 0) {
      SetLastErrorMessage(e.LastErrorText());
      return result;
    }
    e.AttachDecoder();
    e.OnProgress = [this, &e](const engine::ProgressValues& v) {
      DoProgress(e, TProgressInfo{0, v.InputIndex, v.FrameNumber, v.FPS, v.Quality, v.BitRate,
                                  v.CurrentSize, v.CurrentDuration, v.TotalDuration});
    };
    e.OnTerminate = [this, &e] {
      e.DetachDecoders();
      TaskEnded(e);
    };
    return tasks_->Add(std::move(engine));
  } catch (const std::exception& ex) {
    SetLastErrorMessage(ex.what());
    return -1;
  }
}

int TCustomEncoder::AddInput(int taskIndex, const std::string& fileName, TInputOptions* options) {
  CheckBusy("AddInput");
  TFFmpeg& e = Task(taskIndex);
  const int n = e.InputCount();
  try {
    e.SetOptionErrorsFatal(optionErrorsFatal_);
    ApplyInputOptions(e, fileName, options);
    e.SetInputTimeout(InputTimeout());
    e.SetOutputTimeout(OutputTimeout());
    const int result = e.OpenInput(fileName);
    if (result < 0) {
      SetLastErrorMessage(e.LastErrorText());
      e.StoreInputOptions(n, nullptr);
      return result;
    }
    e.AttachDecoder();
    return result;
  } catch (const std::exception& ex) {
    SetLastErrorMessage(ex.what());
    e.StoreInputOptions(n, nullptr);
    return -1;
  }
}

int TCustomEncoder::SetOutput(int taskIndex, const std::string& fileName, TOutputOptions* options) {
  CheckBusy("SetOutput");
  TFFmpeg& e = Task(taskIndex);
  const int m = e.OutputCount();
  try {
    e.SetOptionErrorsFatal(optionErrorsFatal_);
    bool join = false;
    if (options) {
      if (options->FileName.empty()) options->FileName = fileName;
      e.StoreOutputOptions(m, options);
      ConnectSampleAndBitmapHooks(e, *options);
      // Throws "Invalid BitsPixel %d" for a depth the converters lack.
      e.SetHookBitsPerPixel(options->HookBitsPerPixel);
      ConnectFrameHooks(e, *options);
      e.ParseOptions(options->Options);
      e.ParsePresets(options->Presets);
      join = options->Join;
      e.Settings().held_once = options->HeldPicturesOnce;
    } else {
      e.StoreOutputOptions(m, nullptr);
    }
    e.SetInputTimeout(InputTimeout());
    e.SetOutputTimeout(OutputTimeout());
    int result = e.OpenOutput(fileName, join);
    // Joining one input is refused here: the preparation asserts join mode.
    if (result >= 0 && join && e.JoinPrepare() < 0) result = -1;
    if (result < 0) {
      SetLastErrorMessage(e.LastErrorText());
      e.StoreOutputOptions(m, nullptr);
    }
    return result;
  } catch (const std::exception& ex) {
    SetLastErrorMessage(ex.what());
    e.StoreOutputOptions(m, nullptr);
    return -1;
  }
}

TFFDecoder* TCustomEncoder::InputDecoder(int taskIndex, int inputIndex) const {
  return &Task(taskIndex).Decoder(inputIndex);
}

void TCustomEncoder::RemoveTask(int taskIndex) {
  CheckBusy("RemoveTask");
  Task(taskIndex);
  tasks_->Remove(taskIndex);
}

void TCustomEncoder::ClearTasks() {
  if (working_ && !allEnded_) throw EncoderBusy("Cannot ClearTasks while working.");
  tasks_->Clear();
  // Deliveries may still be on their way (this may run inside one of them).
  ReapTerminationThreads(false);
  std::lock_guard guard(terminateLock_);
  SetLastErrorMessage("");
  finishedCount_ = 0;
  nextIndex_ = -1;
  remaining_ = 0;
  allEnded_ = false;
  threaded_ = false;
  working_ = false;
  paused_ = false;
}

void TCustomEncoder::SetPreviewFlag(uint8_t bit, bool on) {
  tasks_->ForEach([&](TFFmpeg& e) {
    const uint8_t flags = e.PreviewFlags();
    e.SetPreviewFlags(on ? uint8_t(flags | bit) : uint8_t(flags & ~bit));
  });
}

void TCustomEncoder::SetPreview(bool on) {
  SetPreviewFlag(engine::TTranscoder::kPreviewWindow, on);
  preview_ = on;
}

void TCustomEncoder::SetPreviewBitmap(bool on) {
  SetPreviewFlag(engine::TTranscoder::kPreviewBitmap, on);
  previewBitmap_ = on;
}

void TCustomEncoder::Pause() {
  if (!working_ || paused_) return;
  tasks_->ForEach([](TFFmpeg& e) { e.Pause(); });
  paused_ = true;
}

void TCustomEncoder::Resume() {
  if (!working_ || !paused_) return;
  tasks_->ForEach([](TFFmpeg& e) { e.Resume(); });
  paused_ = false;
}

void TCustomEncoder::Stop(bool waitForEnd) {
  {
    std::lock_guard guard(terminateLock_);
    remaining_ = 0;
  }
  if (!working_) return;
  tasks_->ForEach([&](TFFmpeg& e) { e.Terminate(waitForEnd); });
}

}  // namespace encoder

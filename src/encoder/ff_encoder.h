// The object through which the application converts media: a list of tasks,
// each one engine with its inputs and one output, started on worker threads,
// paused, resumed and stopped, with progress and termination events brought
// to the main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <stdexcept>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/samplefmt.h>
}

#include "encoder/encoder_event.h"
#include "engine/hook_calls.h"
#include "engine/thread_priority.h"
#include "media/bridges/ff_base_component.h"
#include "media/picture/format_converter.h"
#include "media/bridges/preview_window_factory.h"

struct AVFormatContext;

namespace gfx {
class Bitmap;
}
namespace encoder {

class TCustomEncoder;
class TFFDecoder;
class TFFmpeg;
class TFFmpegList;

// Options for one input file; a default-constructed record is cleared.
struct TInputOptions {
  std::string FileName;  // filled in with the name passed when empty
  std::string Options;   // option string in the engine's command-line syntax
  std::string Presets;   // name=value lines, parsed after Options
};

// Options for the output file; a default-constructed record is cleared
// except HookBitsPerPixel.
struct TOutputOptions {
  std::string FileName;
  std::string Options;
  std::string Presets;
  bool AudioHook = false;
  bool VideoInputHook = false;
  bool VideoOutputHook = false;
  int32_t HookBitsPerPixel = 24;  // 8, 15, 16, 24 or 32
  bool FrameInputHook = false;
  bool FrameOutputHook = false;
  bool Join = false;  // all inputs one after another into this output
  bool HeldPicturesOnce = false;  // MP4, MOV, MKV: a repeated picture is encoded once
};

// The initialisers: reset a record to its cleared state.
void InitInputOptions(TInputOptions& options);
void InitOutputOptions(TOutputOptions& options);

// One progress report of one task.
struct TProgressInfo {
  int32_t TaskIndex = 0;
  int32_t InputIndex = 0;     // input read last; -1 in the final report
  int32_t FrameNumber = -1;   // video frames written; -1 while none
  int32_t FPS = -1;           // 0 in the first second, -1 while no frame
  float Quality = -1.0f;      // quantizer of the last coded frame
  float BitRate = 0.0f;       // kbit/s
  int64_t CurrentSize = 0;      // bytes of the output so far
  int64_t CurrentDuration = 0;  // µs written
  int64_t TotalDuration = -1;   // µs expected, -1 when unknown
};
using PProgressInfo = TProgressInfo*;

// The end of one task, or of all of them (TaskIndex -1, Finished true).
struct TTerminateInfo {
  int32_t TaskIndex = 0;
  bool Finished = false;       // ran to its end, not stopped
  bool ErrorOccurred = false;
  std::string ErrorMessage;
  // After an error: what the output files hold of the run before it, one
  // sentence per file (engine::KeptPartText); empty when nothing was kept.
  std::string KeptPart;
};

// A frame about to be encoded, as a bitmap of HookBitsPerPixel bits. The
// bitmap belongs to the engine: copy what you keep.
struct TPreviewInfo {
  int32_t TaskIndex = 0;
  const gfx::Bitmap* Bitmap = nullptr;
  int32_t FrameNumber = 0;  // output frame number, counted from 1
  int64_t PTS = 0;          // µs
};

// A picture of a task as a bitmap of HookBitsPerPixel bits, for the video
// input and output hooks. The handler may draw on the bitmap: with Update
// still set the drawing goes into the picture; setting StopHook ends this
// hook's calls for the rest of the task.
struct THookInfo {
  int32_t TaskIndex = 0;
  gfx::Bitmap* Bitmap = nullptr;
  int32_t FrameNumber = 0;  // counted from 1
  int64_t PTS = 0;          // µs
  bool Update = true;
  bool StopHook = false;
};
using PHookInfo = THookInfo*;

// A picture of a task as planes, for the frame input and output hooks; the
// handler may change the pixels in place.
struct TFrameHookInfo {
  int32_t TaskIndex = 0;
  int32_t FrameNumber = 0;  // counted from 1
  media::TPicture* Picture = nullptr;
  AVPixelFormat PixelFormat = AV_PIX_FMT_NONE;
  int32_t Width = 0;
  int32_t Height = 0;
  int64_t PTS = 0;  // µs
};
using PFrameHookInfo = TFrameHookInfo*;

using TThreadPriority = engine::TThreadPriority;

// Handlers; Sender is the encoder that raises the event.
using TProgressEvent = std::function<void(TCustomEncoder* Sender, PProgressInfo AProgressInfo)>;
using TTerminateEvent =
    std::function<void(TCustomEncoder* Sender, const TTerminateInfo& ATerminateInfo)>;
using TPreviewBitmapEvent =
    std::function<void(TCustomEncoder* Sender, const TPreviewInfo& APreviewInfo)>;
using TBeforeFindStreamInfoEvent =
    std::function<void(TCustomEncoder* Sender, AVFormatContext* AFormatContext)>;
// One decoded audio frame before resampling: ASize bytes of interleaved
// samples, which the handler may change.
using TAudioHookEvent = std::function<void(
    TCustomEncoder* Sender, int ATaskIndex, const int64_t APTS, uint8_t* ASample, int ASize,
    int ASampleRate, int AChannels, AVSampleFormat ASampleFormat)>;
using TVideoHookEvent = std::function<void(TCustomEncoder* Sender, PHookInfo AHookInfo)>;
using TFrameHookEvent = std::function<void(TCustomEncoder* Sender, PFrameHookInfo AHookInfo)>;

// Thrown by the operations that refuse to run during a run:
// "Cannot %s while working."
class EncoderBusy : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TCustomEncoder : public media::TFFBaseComponent {
 public:
  TCustomEncoder();
  ~TCustomEncoder() override;

  // Events. Assign on the main thread; a handler may be replaced or cleared
  // at any time, a report already under way still completes.
  TEventSlot<TProgressEvent> OnProgress;
  TEventSlot<TTerminateEvent> OnTerminate;
  TEventSlot<TPreviewBitmapEvent> OnPreviewBitmap;
  TEventSlot<TBeforeFindStreamInfoEvent> OnBeforeFindStreamInfo;
  // Per-frame hooks of the outputs that asked for them (TOutputOptions).
  // They run on the task's worker thread, never marshalled: handlers must
  // be thread-safe. Events of one kind are serialised across tasks; both
  // video hooks share one lock, both frame hooks another.
  TEventSlot<TAudioHookEvent> OnAudioHook;
  TEventSlot<TVideoHookEvent> OnVideoInputHook;
  TEventSlot<TVideoHookEvent> OnVideoOutputHook;
  TEventSlot<TFrameHookEvent> OnFrameInputHook;
  TEventSlot<TFrameHookEvent> OnFrameOutputHook;

  // Show each task's frames in a preview window (at most one per 100 ms).
  bool Preview() const { return preview_; }
  void SetPreview(bool on);
  // Deliver the frames through OnPreviewBitmap instead; wins over Preview.
  bool PreviewBitmap() const { return previewBitmap_; }
  void SetPreviewBitmap(bool on);
  // Milliseconds between progress reports; values up to 100 become 100.
  int ProgressInterval() const { return progressInterval_; }
  void SetProgressInterval(int ms) { progressInterval_ = ms <= 100 ? 100 : ms; }
  TThreadPriority ThreadPriority() const { return threadPriority_; }
  void SetThreadPriority(TThreadPriority p) { threadPriority_ = p; }

  // The media libraries (all eight) loaded and bound.
  bool LibrariesLoaded() const;
  // Loads them from the folder (empty: the system's); false with
  // LastErrorMessage on failure.
  bool LoadLibraries(const std::string& folder);

  // Task set-up. Each returns the new index (>= 0) or a negative code with
  // the text in LastErrorMessage; media errors never throw. When options are
  // given with an empty FileName, it is set to fileName. Each throws
  // EncoderBusy during a run and after it until ClearTasks.
  int AddTask(const std::string& fileName, TInputOptions* options = nullptr);
  int AddInput(int taskIndex, const std::string& fileName, TInputOptions* options = nullptr);
  int SetOutput(int taskIndex, const std::string& fileName, TOutputOptions* options = nullptr);
  void RemoveTask(int taskIndex);
  // Frees all tasks; refused only while a run has not ended.
  void ClearTasks();
  int TaskCount() const;

  // Starts the run: with count > 0 up to count tasks at once on their own
  // threads (returns at once); with count <= 0 all of them one after the
  // other on this thread (returns after the final OnTerminate).
  void StartTask(int count);
  void Pause();
  void Resume();
  // Stops the run. With waitForEnd the call returns when every worker has
  // ended and keeps serving main-thread calls meanwhile; without, it only
  // asks (use that from inside a frame request).
  void Stop(bool waitForEnd);

  // Run state: working from StartTask until ClearTasks, all ended after the
  // final OnTerminate was raised.
  bool Working() const { return working_; }
  bool Paused() const { return paused_; }
  bool AllEnded() const { return allEnded_; }

  // The stream information of an opened input (owned by the task); throws
  // std::out_of_range for a task or input that does not exist.
  TFFDecoder* InputDecoder(int taskIndex, int inputIndex) const;

  using media::TFFBaseComponent::LastErrorMessage;

 protected:
  // Relays the engines call (on their worker, or the caller's thread).
  virtual void DoVideoInputHook(TFFmpeg& engine, engine::VideoHookCall& call);
  virtual void DoVideoOutputHook(TFFmpeg& engine, engine::VideoHookCall& call);
  virtual void DoFrameInputHook(TFFmpeg& engine, const engine::FrameHookCall& call);
  virtual void DoFrameOutputHook(TFFmpeg& engine, const engine::FrameHookCall& call);
  virtual void DoPreviewBitmap(TFFmpeg& engine, const gfx::Bitmap& bitmap, int frameNumber,
                               int64_t pts);
  virtual void DoProgress(TFFmpeg& engine, const TProgressInfo& values);
  virtual void TaskEnded(TFFmpeg& engine);
  void DoBeforeFindStreamInfo(TFFmpeg& engine, AVFormatContext* context);
  void DoAudioHook(TFFmpeg& engine, const engine::AudioHookCall& call);
  // Starts a termination thread; throws std::system_error when none can be made.
  virtual std::thread LaunchThread(std::function<void()> body);

 private:
  friend class TFFmpeg;

  void CheckBusy(const char* operation) const;
  TFFmpeg& Task(int taskIndex) const;
  int TaskIndexOf(const TFFmpeg& engine) const;
  void StartNextTask();
  void ReportAllEnded();
  // Raises OnTerminate with the terminate buffer: directly on the thread
  // running a run without workers, else from a termination thread.
  void RaiseTerminate(bool final);
  void StartTerminationThread(const TTerminateInfo& info, bool final);
  // Joins the termination threads that are done; with all, waits for the
  // others first (serving main-thread calls).
  void ReapTerminationThreads(bool all);
  void SetPreviewFlag(uint8_t bit, bool on);
  // Hooks the output options ask for, in two steps around setting the
  // converters' depth.
  void ConnectSampleAndBitmapHooks(TFFmpeg& engine, const TOutputOptions& options);
  void ConnectFrameHooks(TFFmpeg& engine, const TOutputOptions& options);
  void RelayVideoHook(TFFmpeg& engine, engine::VideoHookCall& call,
                      const TEventSlot<TVideoHookEvent>& slot);
  void RelayFrameHook(TFFmpeg& engine, const engine::FrameHookCall& call,
                      const TEventSlot<TFrameHookEvent>& slot);

  // Threads: the owner's (main) thread adds, removes and starts tasks and
  // sets the switches below; workers and termination threads reach the
  // fields marked with their lock or as atomics.
  std::unique_ptr<TFFmpegList> tasks_;

  bool preview_ = false;
  bool previewBitmap_ = false;
  int progressInterval_ = 500;
  TThreadPriority threadPriority_ = TThreadPriority::tpNormal;
  bool optionErrorsFatal_ = true;

  // Under terminateLock_: workers end tasks and start the next ones.
  int finishedCount_ = 0;
  int nextIndex_ = -1;
  int remaining_ = 0;
  std::atomic<bool> allEnded_{false};
  std::atomic<bool> threaded_{false};
  std::atomic<bool> working_{false};
  std::atomic<bool> paused_{false};

  // One lock per event kind (both video hooks share one, both frame hooks
  // another); the terminate lock also guards the counters and is re-entered
  // when a task fails at its start.
  std::mutex previewLock_;
  std::mutex progressLock_;
  std::recursive_mutex terminateLock_;
  std::mutex beforeFindLock_;
  std::mutex audioLock_;
  std::mutex videoHookLock_;
  std::mutex frameHookLock_;
  THookInfo hookBuffer_;
  TFrameHookInfo frameHookBuffer_;
  TProgressInfo progressBuffer_;
  TPreviewInfo previewBuffer_;
  TTerminateInfo terminateBuffer_;

  // Termination threads deliver OnTerminate off the worker; the final one
  // waits until every task's event has been delivered. pendingDeliveries_
  // and finalDelivered_ are written by them and polled by waiters;
  // startThread_ is set under terminateLock_; the list has its own lock.
  struct TerminationThread {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::atomic<int> pendingDeliveries_{0};
  std::atomic<bool> finalDelivered_{false};
  std::thread::id startThread_;
  std::mutex terminationThreadsLock_;
  std::vector<TerminationThread> terminationThreads_;
};

// The published form; adds nothing.
class TFFEncoder : public TCustomEncoder {
 public:
  using TCustomEncoder::TCustomEncoder;
};

}  // namespace encoder

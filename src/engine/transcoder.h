// The engine with its files: opening inputs and outputs, setting up the
// coders and running the conversion on the caller's thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "engine/audio/audio_hook.h"
#include "engine/custom_ffmpeg.h"
#include "engine/hook_calls.h"
#include "engine/run/run_gate.h"
#include "engine/run_outcome.h"
#include "engine/thread_priority.h"
#include "engine/transcode_records.h"
#include "engine/video/video_hooks.h"
#include "media/frame_source/input_format_registry.h"

namespace gfx {
class Bitmap;
}
namespace media {
class TPreviewer;
}

namespace engine {

// The entries of a codec dictionary meant for this codec and stream (keys
// may carry a stream specifier after ":"); the caller frees the result.
AVDictionary* FilterCodecOptionsFor(TCustomFFmpeg& e, const AVDictionary* opts,
                                    const AVCodec* codec, AVFormatContext* s, AVStream* st,
                                    bool encoder);

// Totals of one run.
struct RunTotals {
  int64_t videoBytes = 0;
  int64_t audioBytes = 0;
  int64_t dups = 0;
  int64_t drops = 0;
  int64_t convertedPictures = 0;  // out of the video filters
  int64_t reusedPictures = 0;     // repeats of a frame input encoded again
  bool dupDropChanged = false;    // since the last progress line
};

// Values of one progress report, in report order.
struct ProgressValues {
  int32_t InputIndex = -1;
  int32_t FrameNumber = -1;
  int32_t FPS = -1;
  float Quality = -1.0f;
  float BitRate = 0.0f;
  int64_t CurrentSize = 0;
  int64_t CurrentDuration = 0;
  int64_t TotalDuration = -1;
};

// What the preview step keeps between frames.
struct PreviewState {
  uint8_t flags = 0;
  bool flagsChanged = false;  // set anew since the last attempt
  int64_t last = 0;           // µs, av_gettime, end of the last attempt
  std::shared_ptr<media::TPreviewer> previewer;
};

class TTranscoder : public TCustomFFmpeg {
 public:
  TTranscoder() = default;
  ~TTranscoder() override;

  // Opens an input with the options parsed so far; the new input's index,
  // or a negative error with the text in LastErrorText().
  int OpenInput(const std::string& fileName);
  // Opens the output; the new output's index or a negative error. With join
  // and more than one input, the inputs are to be played one after another
  // into it: JoinPrepare must follow.
  int OpenOutput(const std::string& fileName, bool join = false);

  // Join mode (join_mode.cpp). Gives every further input its group of
  // output-stream records; 0, or -1 with the last error set and the output
  // gone. Throws std::logic_error when join mode is off.
  int JoinPrepare();
  bool Joining() const { return joining_; }
  // Output-stream records per group (0 when not joining).
  int GroupSize() const { return groupSize_; }

  // Runs the whole conversion on this thread and releases everything
  // afterwards, also when it failed; see Finished/ErrorOccurred.
  void Run();
  bool Finished() const { return finished_; }
  bool ErrorOccurred() const { return errorOccurred_; }
  const std::string& ErrorMessage() const { return errorMessage_; }
  // After a failed run: the outputs that hold the part before the error.
  const std::vector<KeptOutput>& KeptOutputs() const { return keptOutputs_; }

  // Makes the loop drain and end at its next check and aborts blocking I/O;
  // opens the pause gate so that a paused worker sees it.
  void RequestStop();
  bool StopRequested() const { return gate_.StopRequested(); }

  // Worker thread and run control (run/conversion_thread.cpp).
  // Starts the conversion once: on a worker thread of its own (true), or on
  // this thread (false, after the end). Running or terminated engines do
  // nothing; without input or output the end is reported at once.
  bool Start(bool threaded, TThreadPriority priority = TThreadPriority::tpNormal);
  // Requests the stop; with wait, returns when the worker has ended, serving
  // main-thread calls every 20 ms meanwhile.
  void Stop(bool wait);
  // Stops a running conversion, or gives the end notice of one that never
  // ran (on a short-lived thread of its own), once.
  void Terminate(bool wait);
  // The worker halts at its next loop point until Resume or a stop request.
  void Pause();
  void Resume();
  bool Running() const { return running_; }
  bool Terminated() const { return terminated_; }
  bool Paused() const { return gate_.Paused(); }
  // Stops and waits for every thread of this engine (for owners' destructors).
  void JoinThreads();
  // Called once per engine when its conversion has ended or was refused,
  // on the thread that ran it; output files are closed by then.
  // The handlers below are set before Start and called on the worker.
  std::function<void()> OnTerminate;

  // Previews (run/preview_step.cpp). Bit 0: show frames in a preview window;
  // bit 1: hand them to OnPreviewBitmap (wins over bit 0).
  static constexpr uint8_t kPreviewWindow = 1;
  static constexpr uint8_t kPreviewBitmap = 2;
  void SetPreviewFlags(uint8_t flags);
  uint8_t PreviewFlags() const;
  // The bitmap, the output frame number counted from 1, the time in µs.
  std::function<void(const gfx::Bitmap&, int, int64_t)> OnPreviewBitmap;

  // Per-frame hooks, connected before the run (video/video_hooks.h,
  // audio/audio_hook.h). Input hooks see each decoded picture before the filter
  // graph, output hooks each picture about to be encoded and previewed;
  // changes made by a hook go on into the output. A bitmap hook whose
  // conversion fails or whose handler sets stop is dropped for the rest of
  // the run; an exception from it is logged and its drawing discarded.
  VideoHook OnVideoInputHook;
  VideoHook OnVideoOutputHook;
  FrameHook OnFrameInputHook;
  FrameHook OnFrameOutputHook;
  AudioHook OnAudioHook;
  // A hook sees or changes the pictures: each picture must then go through
  // the hooks, and an encoded one cannot stand in for the next.
  bool PerFrameHooksActive() const;

  std::function<void(const ProgressValues&)> OnProgress;
  std::function<void(AVFormatContext*)> OnBeforeFindStreamInfo;

  std::span<AVFormatContext* const> InputContexts() const override { return inputContexts_; }

  // Totals of the last run.
  int64_t DupCount() const { return totals_.dups; }
  int64_t DropCount() const { return totals_.drops; }
  int64_t VideoBytes() const { return totals_.videoBytes; }
  int64_t AudioBytes() const { return totals_.audioBytes; }
  // Pictures that came out of the video filters, and pictures of a frame
  // input passed to the encoder again because they repeated the one before.
  int64_t ConvertedPictures() const { return totals_.convertedPictures; }
  int64_t ReusedPictures() const { return totals_.reusedPictures; }

  // For tests and the loop: the records.
  const std::vector<std::unique_ptr<InputFile>>& InputFiles() const { return inputFiles_; }
  const std::vector<std::unique_ptr<InputStream>>& InputStreams() const { return inputStreams_; }
  const std::vector<std::unique_ptr<OutputFile>>& OutputFiles() const { return outputFiles_; }
  const std::vector<std::unique_ptr<OutputStream>>& OutputStreams() const { return outputStreams_; }

  // Video output of one picture whose time in output frames is known; the
  // sync decision alone, so it can be checked without an encoder.
  // Returns the number of frames to encode (0 = drop).
  int VideoFrameCount(OutputStream& ost, double vdelta, double pictureTime, int syncMethod);

 protected:
  // Stages; each throws FFmpegException on failure.
  void TranscodeInit();
  void TranscodeLoop();
  void CleanUp();

 private:
  // The stages' steps, by folder. Each stage keeps its own state in its
  // classes (audio/audio_path.h, video/video_filters.h, video/video_hooks.h,
  // run/run_gate.h); the steps below connect them over the records.

  // inputs/: opening (input_files.cpp), decoders (decoders.cpp), reading
  // and decoding at run time (demux_decode.cpp).
  struct InputOpening {
    const media::TInputFormat* own = nullptr;  // one of our own formats
    const AVInputFormat* fmt = nullptr;         // else the library's, if forced
    const AVCodec* forced[3] = {nullptr, nullptr, nullptr};  // video, audio, subtitle
  };
  int DoOpenInput(const std::string& fileName);
  int FindInputFormat(InputOpening& in);
  void SetDemuxerOptions();
  void FindForcedDecoders(InputOpening& in);
  int OpenInputContext(const std::string& fileName, const InputOpening& in,
                       media::InputContextPtr& input);
  void CheckDemuxerLeftovers();
  int FindStreamInfo(const std::string& fileName, const InputOpening& in, AVFormatContext* ic);
  int64_t SeekToStart(const std::string& fileName, const InputOpening& in, AVFormatContext* ic);
  int RecordInput(const std::string& fileName, const InputOpening& in, media::InputContextPtr input,
                  int64_t timestamp);
  void AddInputStreams(int fileIndex, AVFormatContext* ic);
  const AVCodec* FindCodecOrDie(const std::string& name, AVMediaType type, bool encoder);
  int ReadPacket(InputFile& file, AVPacket* pkt);
  void OpenDecoder(InputStream& ist, int index);
  int ChooseInput();
  void FixTimestamps(InputFile& file, InputStream& ist, AVPacket* pkt);
  int ProcessPacket(InputStream& ist, int istIndex, AVPacket* pkt);
  int Decode(InputStream& ist, int istIndex, const AVPacket* pkt);
  void RateEmulate(InputStream& ist);

  // video/: decoded pictures through the hooks and filters to the encoder
  // (video_output.cpp, filter_setup.cpp), repeated pictures (picture_reuse.cpp).
  void HandleVideoFrame(InputStream& ist, int istIndex);
  // Builds the stream's filters and gives the encoder their picture size.
  void ConfigureVideoFilters(OutputStream& ost, InputStream& ist);
  // The filters of the stream, scaling to width x height before its chain.
  VideoFilterSetup FilterSetup(const OutputStream& ost, int width, int height) const;
  bool CanReuseConvertedPicture(const OutputStream& ost) const;
  bool ReuseConvertedPicture(InputStream& ist, int istIndex, const AVPacket* pkt);
  void KeepConvertedPicture(OutputStream& ost);
  void DoVideoOut(OutputStream& ost, AVFrame* picture, bool repeat = false);
  void EncodeVideo(OutputStream& ost, AVFrame* picture);

  // audio/: decoded sound through the hook and the audio path to the
  // encoder (audio_output.cpp).
  void HandleAudioFrame(InputStream& ist, int istIndex);
  void DoAudioOut(OutputStream& ost, InputStream& ist, int istIndex, AVFrame* decoded);
  void FlushAudio(OutputStream& ost);
  void EncodeAudioFrames(OutputStream& ost, bool flush);

  // outputs/: files and streams (output_files.cpp, output_streams.cpp),
  // encoders (encoders.cpp), muxing (packet_writer.cpp), trailers and kept
  // parts (run_outcome.cpp).
  int DoOpenOutput(const std::string& fileName, bool join);
  int CreateOutputContext(const std::string& fileName, const FileOptions& o,
                          media::OutputContextPtr& owner);
  void AddMappedStreams(OutputFile& of, const FileOptions& o, bool firstInputOnly);
  // The kind of a "-map" entry's source; raises for kinds no output takes.
  AVMediaType MappedType(const StreamMap& map, int source);
  void AddChosenStreams(OutputFile& of, const FileOptions& o, bool firstInputOnly);
  // The preferred stream of a kind among input streams [first, end), or -1.
  int BestInputStream(AVMediaType type, size_t first, size_t end) const;
  int OpenOutputFile(OutputFile& of);
  void ApplyMuxerOptions(OutputFile& of, const FileOptions& o);
  OutputStream& NewOutputStream(OutputFile& of, AVFormatContext* oc, int sourceIndex,
                                AVMediaType type);
  void NewVideoStream(OutputStream& ost, AVFormatContext* oc);
  void NewAudioStream(OutputStream& ost, AVFormatContext* oc);
  void AddAttachment(AVFormatContext* oc, const std::string& path);
  void CopyMetadata(OutputFile& of, AVFormatContext* oc);
  void SetUpVideoEncoder(OutputStream& ost, InputStream& ist);
  void SetUpAudioEncoder(OutputStream& ost, InputStream& ist);
  void SetUpTwoPass(OutputStream& ost, int index);
  void OpenEncoder(OutputStream& ost);
  void CheckExperimental(const AVCodec* codec, AVCodecContext* ctx, bool encoder);
  void CheckLeftover(AVDictionary* opts);
  void FlushEncoders();
  void FlushEncoder(OutputStream& ost);
  // Sends the frame (null: end of stream) and writes what comes out.
  void DrainEncoder(OutputStream& ost, AVFrame* frame, int64_t* byteTotal, const char* failure);
  void WritePacket(OutputStream& ost, AVPacket* pkt);
  void CopyPacket(OutputStream& ost, InputStream& ist, const AVPacket* pkt);
  // Trailers of every output whose header was written, each tried once;
  // raises the first failure, or only logs it after an earlier error.
  void WriteTrailers(bool raise);
  // After a failure: flushes the encoders that can still take it and
  // finishes the containers, so the frames written so far play.
  void KeepWrittenPart();
  // A run that ended normally but wrote no frame to an output is a failure.
  void RequireWrittenOutputs();
  // Marks the outputs that hold nothing for removal; lists what a failed run kept.
  void SettleOutputs(bool failedMidway);
  // Packets a written output received, per kind of stream; -1 for a kind it lacks.
  struct OutputTally {
    int64_t video = -1, audio = -1, all = 0;
  };
  OutputTally TallyOutput(size_t file) const;

  // run/: set-up before the first packet (transcode_init.cpp), the loop
  // (transcode_loop.cpp), progress (progress_report.cpp), the worker thread
  // and pause/stop (conversion_thread.cpp), previews (preview_step.cpp).
  // Refuses a stream copy that hooks or a sound change would need to see.
  void CheckCopyCompatible(const OutputStream& ost, const InputStream& ist);
  // The run's clock, totals and packets; the packet the loop reads into.
  PacketPtr StartRun();
  void HandleInputPacket(InputFile& file, AVPacket* pkt);
  void FinishRun();
  void LogStreamMapping();
  void LogSdp();
  void ReportProgress(int inputIndex, bool final);
  double StreamProgress(std::span<const std::unique_ptr<OutputStream>> streams, bool final,
                        ProgressValues& v, std::string& line) const;
  void FinalReport(int64_t fileSize);
  void RunToEnd();
  void GiveTerminationNotice();
  void WaitForEnd();
  // Where the worker halts while paused.
  void PauseGate();
  void PreviewStep(const AVFrame& picture, int frameNumber, int64_t pts);
  std::shared_ptr<media::TPreviewer> EndPreviewStep(uint8_t failedBit);
  std::shared_ptr<media::TPreviewer> TakePreviewer();

  // Join mode (join_mode.cpp).
  void CopyGroupForJoin();
  void MapJoinedInput(int input, size_t groupStart, const FileOptions& o);
  void AbandonJoin();
  bool IsJoinedCopy(const OutputStream& ost) const { return joining_ && ost.file_index > 0; }
  OutputStream& GroupRecord(int group, int position) const;
  void SetUpJoinedStream(OutputStream& ost, InputStream& ist);
  int ChooseJoinInput();
  // Drains the ended input, hands the encoders to the next group and moves
  // the next input's time stamps behind the end; false after the last input.
  bool SwitchToNextInput();
  // The files whose header and trailer are written and which are closed.
  std::span<const std::unique_ptr<OutputFile>> WrittenOutputFiles() const;
  // The written file a record's packets go to: the first for every group.
  size_t WrittenFileIndex(const OutputStream& ost) const {
    return joining_ ? 0 : size_t(ost.file_index);
  }
  // The records progress reports cover: the current group when joining.
  std::span<const std::unique_ptr<OutputStream>> ReportedStreams() const;

  // Interrupt checks (inputs/input_files.cpp).
  static int ReadInterrupt(void* engine);
  static int WriteInterrupt(void* engine);
  int CheckInterrupt(int64_t lastStart, int timeoutMs, const char* what);
  bool StopAborts(int64_t lastStart, const char* what) const;
  static constexpr int64_t kStopWriteGrace = 1000000;  // µs

  // Threads: the records, the run's state, totals and hook buffers below are
  // set up on the owner's thread before Start and used only by the thread
  // that runs the conversion (the worker) until the end notice; others read
  // the totals and outcome after it. The fields marked otherwise are shared.
  std::vector<std::unique_ptr<InputFile>> inputFiles_;
  std::vector<std::unique_ptr<InputStream>> inputStreams_;
  std::vector<std::unique_ptr<OutputFile>> outputFiles_;
  std::vector<std::unique_ptr<OutputStream>> outputStreams_;
  std::vector<AVFormatContext*> inputContexts_;

  bool joining_ = false;
  int groupSize_ = 0;
  int currentInput_ = 0;           // the input read in join mode
  int64_t inputLength_ = -1;       // µs, longest input
  int64_t totalDuration_ = -1;     // µs, expected
  // Worker writes; the I/O interrupt callbacks (worker, inside the library) read.
  std::atomic<int64_t> readStart_{kNoTime};
  std::atomic<int64_t> writeStart_{kNoTime};
  std::atomic<bool> draining_{false};  // worker
  bool finished_ = false;
  bool errorOccurred_ = false;
  std::string errorMessage_;
  std::vector<KeptOutput> keptOutputs_;

  int64_t runStart_ = 0;
  int64_t lastReport_ = 0;
  RunTotals totals_;
  int noPacketCount_ = 0;
  PacketPtr encPacket_;            // reused for every encoder output

  VideoHooks videoHooks_;
  AudioHookStage audioHook_;

  // Run control, shared. running_ is set by Start under controlLock_ and
  // cleared by the worker at its end, like terminated_; runFinished_ is set
  // by the worker last of all and polled by Stop(wait); noticeDelivered_ is
  // set by the terminator thread and polled by Terminate(wait).
  std::atomic<bool> running_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> runFinished_{true};
  std::atomic<bool> noticeDelivered_{true};
  TRunGate gate_;                     // stop and pause; any thread
  std::mutex controlLock_;            // Start/Terminate/Pause, any thread
  // Made under controlLock_; joined by JoinThreads on the owner's thread.
  std::thread worker_;
  std::thread terminator_;

  // Guarded by the flags lock shared by all engines (run/preview_step.cpp): the
  // owner's thread sets the flags during a run, the worker reads them and
  // makes the previewer.
  PreviewState preview_;
};

}  // namespace engine

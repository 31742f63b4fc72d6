// Runs of the encoder on generated frames: a frame source whose frame
// requests the tests can watch and steer, a recorder for the events, and a
// look at the written file.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "encoder/ff_encoder.h"
#include "media/frame_source/frame_input_adapter.h"

namespace encoder_test {

namespace fs = std::filesystem;

// Loads the media libraries, registers the frame source, makes this thread
// the main thread.
void InitMedia();
fs::path Scratch(const std::string& name);

// A picture source of 160x120 frames. A negative frame count never ends.
// onFrame runs inside each frame request (on the main thread) with the
// number of the frame handed out, from 1.
struct FrameSource {
  explicit FrameSource(int frames = 15);
  media::TFrameInputAdapter adapter;
  int frames;
  std::atomic<int> handedOut{0};
  std::function<void(int)> onFrame;
  // Ends the frames early: the request after this frame gets none.
  std::atomic<int> lastFrame{-1};
};

// Input options of the frame source (realTime adds "-re").
encoder::TInputOptions SourceOptions(bool realTime = false);
encoder::TOutputOptions OutputOptions(const std::string& extra = "");

// A task reading the source into the file; fails the test when set-up fails.
int AddSourceTask(encoder::TCustomEncoder& enc, FrameSource& source, const fs::path& output,
                  bool realTime = false, const std::string& extraOutput = "");

// Serves main-thread calls until done() holds; false after two minutes.
bool WaitFor(const std::function<bool()>& done);
// Serves main-thread calls for a while.
void ServeFor(int ms);

// The OnTerminate events in arrival order, and the thread they came on.
// Read the lists once FinalSeen() held: nothing comes after the final event.
struct TerminateLog {
  std::vector<encoder::TTerminateInfo> events;
  std::vector<std::thread::id> threads;
  void Attach(encoder::TCustomEncoder& enc);
  void Add(const encoder::TTerminateInfo& info);
  bool FinalSeen() const;
  std::vector<int> Indexes() const;

 private:
  mutable std::mutex lock_;
};

// Video frames in a written file; -1 when it cannot be opened (no trailer).
int CountVideoFrames(const fs::path& path);

}  // namespace encoder_test

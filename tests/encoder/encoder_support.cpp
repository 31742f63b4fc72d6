#include "encoder_support.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_loader.h"
#include "media/bridges/main_thread.h"
#include "media_setup.h"

namespace encoder_test {

void InitMedia() { LoadMediaForTests(); }

fs::path Scratch(const std::string& name) {
  const char* root = std::getenv("LS_TEST_TMP");
  fs::path dir = root ? fs::path(root) : fs::temp_directory_path();
  dir /= "encoder/" + name + "-" + std::to_string(getpid());
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

FrameSource::FrameSource(int frames) : frames(frames) {
  adapter.OnReadFrameCanvas = [this](media::TFrameInputAdapter*, gfx::Canvas& canvas,
                                     media::PInputFrameInfo info) {
    const int n = handedOut + 1;
    if ((this->frames >= 0 && n > this->frames) || (lastFrame >= 0 && n > lastFrame)) return -1;
    handedOut = n;
    // A picture that changes from frame to frame, so the encoder has work.
    canvas.FillRect(info->Bitmap->Bounds(), gfx::Color(0x102030 + n * 0x050301));
    if (onFrame) onFrame(n);
    return 0;
  };
}

encoder::TInputOptions SourceOptions(bool realTime) {
  encoder::TInputOptions in;
  in.Options = std::string("-f frameinput ") + (realTime ? "-re " : "") +
               "-input_type canvas -pix_fmt bgra -r 30/1 -s 160x120";
  return in;
}

encoder::TOutputOptions OutputOptions(const std::string& extra) {
  encoder::TOutputOptions out;
  out.Options = "-c:v libx264 -preset ultrafast -r 30/1 -s 160x120" +
                (extra.empty() ? "" : " " + extra);
  return out;
}

int AddSourceTask(encoder::TCustomEncoder& enc, FrameSource& source, const fs::path& output,
                  bool realTime, const std::string& extraOutput) {
  encoder::TInputOptions in = SourceOptions(realTime);
  const int task = enc.AddTask(source.adapter.InputFileName(), &in);
  EXPECT_GE(task, 0) << enc.LastErrorMessage();
  if (task < 0) return task;
  encoder::TOutputOptions out = OutputOptions(extraOutput);
  const int r = enc.SetOutput(task, output.string(), &out);
  EXPECT_GE(r, 0) << enc.LastErrorMessage();
  return r < 0 ? r : task;
}

bool WaitFor(const std::function<bool()>& done) {
  return media::WaitServingMainThreadCalls(done, std::chrono::minutes(2));
}

void ServeFor(int ms) {
  media::WaitServingMainThreadCalls([] { return false; }, std::chrono::milliseconds(ms));
}

void TerminateLog::Attach(encoder::TCustomEncoder& enc) {
  enc.OnTerminate = [this](encoder::TCustomEncoder*, const encoder::TTerminateInfo& info) {
    Add(info);
  };
}

void TerminateLog::Add(const encoder::TTerminateInfo& info) {
  std::lock_guard guard(lock_);
  events.push_back(info);
  threads.push_back(std::this_thread::get_id());
}

bool TerminateLog::FinalSeen() const {
  std::lock_guard guard(lock_);
  return !events.empty() && events.back().TaskIndex == -1;
}

std::vector<int> TerminateLog::Indexes() const {
  std::lock_guard guard(lock_);
  std::vector<int> out;
  for (const auto& e : events) out.push_back(e.TaskIndex);
  return out;
}

int CountVideoFrames(const fs::path& path) {
  AVFormatContext* ic = nullptr;
  if (ff::avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0) return -1;
  int frames = -1;
  if (ff::avformat_find_stream_info(ic, nullptr) >= 0) {
    frames = 0;
    AVPacket* pkt = ff::av_packet_alloc();
    while (ff::av_read_frame(ic, pkt) >= 0) {
      if (ic->streams[pkt->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) ++frames;
      ff::av_packet_unref(pkt);
    }
    ff::av_packet_free(&pkt);
  }
  ff::avformat_close_input(&ic);
  return frames;
}

}  // namespace encoder_test

// One sound file decoded through the media libraries into interleaved float
// samples at the rate and channel count the caller asks for. Reads in pieces,
// so an hour of music costs no more memory than a second of it.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct SwrContext;
struct AVPacket;
struct AVFrame;
struct AVChannelLayout;

namespace encoder {

// A sound file that cannot be read; the text names the file.
class SoundFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SoundFileReader {
 public:
  // Opens the file's first sound stream. Throws SoundFileError for a file
  // the libraries cannot read or one without sound. The libraries must be
  // loaded.
  SoundFileReader(const std::string& path, int rate, int channels);
  ~SoundFileReader();
  SoundFileReader(const SoundFileReader&) = delete;
  SoundFileReader& operator=(const SoundFileReader&) = delete;

  // Up to `frames` sample frames (frames x channels floats) into out; fewer
  // only at the end of the file, 0 after it. Throws SoundFileError for a
  // decoding failure.
  size_t Read(float* out, size_t frames);

  const std::string& Path() const { return path_; }
  // How far into the file reading has come, 0..1 (0 when its size is unknown).
  double Progress() const;

 private:
  struct Owners;
  bool Refill();  // false at the end
  void Convert(const AVFrame* frame);
  void SetUpResampler(int format, int rate, const AVChannelLayout& layout);

  std::string path_;
  int channels_;
  int rate_ = 0;                                     // of the output
  int inFormat_ = -1, inRate_ = 0, inChannels_ = 0;  // what the resampler takes
  std::unique_ptr<Owners> own_;
  int stream_ = -1;
  bool inputDone_ = false;      // the last packet went to the decoder
  bool decoderDone_ = false;    // the decoder and the resampler are drained
  std::vector<float> pending_;  // converted samples not handed out yet
  size_t pendingAt_ = 0;        // first of them, in floats
};

// Sample frames of the whole file at the rate, counted by decoding it;
// progress (when given) hears how far, now and then.
int64_t CountSoundFrames(const std::string& path, int rate,
                         const std::function<void(double)>& progress = {});

}  // namespace encoder

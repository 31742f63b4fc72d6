// Music from 10 s to an hour: the passes over it (length, loudness, beats)
// against the libraries decoding the same file directly, peak memory, and
// how far a show fitted to it ends from the music (in frames).
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "encoder/music_onsets.h"
#include "encoder/sound_track.h"
#include "encoder/sound_track_loudness.h"
#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_loader.h"
#include "slideshow/music_fit.h"
#include "wav_file.h"

namespace {

namespace fs = std::filesystem;

bool Libraries() {
  static const bool ok = media::FFLoader().LoadLibrarySet(media::kAllLibraries);
  return ok;
}

// A generated song of `seconds` (16-bit stereo at 22.05 kHz: an hour is
// 317 MB on disk), made once per length.
std::string Song(int seconds) {
  static std::map<int, std::string> made;
  if (auto it = made.find(seconds); it != made.end()) return it->second;
  const fs::path path =
      fs::temp_directory_path() / ("bench_music_" + std::to_string(seconds) + ".wav");
  constexpr int kRate = 22050;
  testwav::WritePcm16(path, kRate, 2, uint32_t(seconds) * kRate, [](int, uint32_t i) {
    const double t = double(i) / kRate;
    const double beat = std::fmod(t, 0.5) < 0.03 ? std::exp(-100 * std::fmod(t, 0.5)) : 0;
    return int16_t(8000 * std::sin(2 * M_PI * 220 * t) +
                   16000 * beat * std::sin(2 * M_PI * 2000 * t));
  });
  return made[seconds] = path.string();
}

// Peak resident memory since the last reset: the generated song is made
// before the reset, so only the passes count.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }
double PeakMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

// Baseline: the libraries alone decode the file, nothing converted or mixed.
void BM_DecodeDirectly(benchmark::State& state) {
  if (!Libraries()) return state.SkipWithError("libraries not loaded");
  const std::string song = Song(int(state.range(0)));
  for (auto _ : state) {
    AVFormatContext* ctx = nullptr;
    ff::avformat_open_input(&ctx, song.c_str(), nullptr, nullptr);
    ff::avformat_find_stream_info(ctx, nullptr);
    const AVCodec* codec = ff::avcodec_find_decoder(ctx->streams[0]->codecpar->codec_id);
    AVCodecContext* dec = ff::avcodec_alloc_context3(codec);
    ff::avcodec_parameters_to_context(dec, ctx->streams[0]->codecpar);
    ff::avcodec_open2(dec, codec, nullptr);
    AVPacket* pkt = ff::av_packet_alloc();
    AVFrame* frame = ff::av_frame_alloc();
    int64_t samples = 0;
    while (ff::av_read_frame(ctx, pkt) >= 0) {
      ff::avcodec_send_packet(dec, pkt);
      ff::av_packet_unref(pkt);
      while (ff::avcodec_receive_frame(dec, frame) == 0) samples += frame->nb_samples;
    }
    benchmark::DoNotOptimize(samples);
    ff::av_frame_free(&frame);
    ff::av_packet_free(&pkt);
    ff::avcodec_free_context(&dec);
    ff::avformat_close_input(&ctx);
  }
}
BENCHMARK(BM_DecodeDirectly)->Arg(10)->Arg(600)->Arg(3600)->Unit(benchmark::kSecond);

// Ours: the length pass, the loudness pass and the streaming pass a run makes.
void BM_AssembleAndNormalise(benchmark::State& state) {
  if (!Libraries()) return state.SkipWithError("libraries not loaded");
  const std::string song = Song(int(state.range(0)));
  ResetPeak();
  for (auto _ : state) {
    encoder::SoundTrack track({{{song, 0, 2}}});
    encoder::NormaliseLoudness(track, -16);
    int64_t frames = 0;
    track.ForEachBlock([&](const float*, size_t n) { frames += int64_t(n); });
    benchmark::DoNotOptimize(frames);
  }
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(BM_AssembleAndNormalise)->Arg(10)->Arg(600)->Arg(3600)->Unit(benchmark::kSecond);

void BM_FindBeats(benchmark::State& state) {
  if (!Libraries()) return state.SkipWithError("libraries not loaded");
  encoder::SoundTrack track({{{Song(int(state.range(0)))}}});
  ResetPeak();
  for (auto _ : state)
    benchmark::DoNotOptimize(encoder::DetectOnsets(track, encoder::OnsetKind::Beats));
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(BM_FindBeats)->Arg(10)->Arg(600)->Arg(3600)->Unit(benchmark::kSecond);

// A show of 3 to 300 pictures fitted to music of 10 s to an hour: the worst
// distance between the video's and the music's end, in frames at 30 fps.
void BM_FitToMusic(benchmark::State& state) {
  const int pictures = int(state.range(0));
  double worst = 0;
  for (auto _ : state) {
    for (double seconds = 10; seconds <= 3600; seconds *= 1.37) {
      const double music = seconds + 0.0137;  // never a whole frame
      const int64_t target = std::llround(music * 30);
      const std::vector<int> transitions(size_t(pictures) + 1, 30);
      try {
        const std::vector<int> holds = slideshow::FitHoldsToLength(
            std::vector<int>(size_t(pictures), 60), transitions, 2, target, 15, 30);
        worst = std::max(
            worst, std::abs(double(slideshow::ShowFrames(holds, transitions, 2)) - music * 30));
      } catch (const slideshow::MusicFitError&) {
        // Too many pictures for the shortest music: refused, nothing to compare.
      }
    }
  }
  state.counters["worst_frames"] = worst;
}
BENCHMARK(BM_FitToMusic)->Arg(3)->Arg(30)->Arg(300);

}  // namespace

BENCHMARK_MAIN();

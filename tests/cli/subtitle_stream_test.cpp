// Captions as a subtitle stream: the renderer's Matroska output carries
// each caption's text, timed to its slide, and MP4 is refused up front.
#include <fstream>

#include "e2e/e2e_support.h"
#include "media/binding/ff_loader.h"
#include "program_runner.h"

namespace {

namespace fs = std::filesystem;

struct CueRead {
  long long startMs, endMs;
  std::string text;
  bool operator==(const CueRead&) const = default;
};

std::vector<CueRead> SubtitlePackets(const std::string& path) {
  std::vector<CueRead> cues;
  AVFormatContext* ic = nullptr;
  if (ff::avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0) return cues;
  AVPacket* pkt = ff::av_packet_alloc();
  while (ff::av_read_frame(ic, pkt) >= 0) {
    const AVStream* st = ic->streams[pkt->stream_index];
    if (st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) {
      const double unit = 1000.0 * st->time_base.num / st->time_base.den;
      cues.push_back({std::llround(double(pkt->pts) * unit),
                      std::llround(double(pkt->pts + pkt->duration) * unit),
                      std::string(reinterpret_cast<const char*>(pkt->data), size_t(pkt->size))});
    }
    ff::av_packet_unref(pkt);
  }
  ff::av_packet_free(&pkt);
  ff::avformat_close_input(&ic);
  return cues;
}

TEST(SubtitleStream, CaptionsGoIntoMatroskaTimedToTheirSlides) {
  e2e::InitMedia();
  const fs::path dir = e2e::Scratch("subtitles");
  const std::vector<std::string> pictures = e2e::MakePictures(dir);
  const fs::path captions = dir / "captions.txt";
  std::ofstream(captions) << "Première image\n\nΤρίτη\\nεικόνα\n";
  const fs::path mkv = dir / "captioned.mkv";
  std::vector<std::string> args{"--every-frame", "--picture-delay", "0.5", "--transition-delay", "0.3", "--captions",
                                captions.string(), "--subtitles", "-q", "-o", mkv.string()};
  args.insert(args.end(), pictures.begin(), pictures.end());
  const clitest::ProgramResult r = clitest::RunProgram(args, dir);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // 9 transition and 15 hold frames a slide at 30/1; a cue runs from the
  // middle of the transition in to the middle of the one out.
  EXPECT_EQ(SubtitlePackets(mkv.string()),
            (std::vector<CueRead>{{150, 950, "Première image"}, {1750, 2550, "Τρίτη\nεικόνα"}}));
  EXPECT_EQ(e2e::Probe(mkv.string(), false).Find(AVMEDIA_TYPE_VIDEO)->frames, 83);
  EXPECT_FALSE(fs::exists(mkv.string() + ".srt"));

  args[args.size() - pictures.size() - 1] = (dir / "captioned.mp4").string();
  const clitest::ProgramResult mp4 = clitest::RunProgram(args, dir);
  EXPECT_EQ(mp4.exitCode, 2);
  EXPECT_NE(mp4.err.find(".mkv outputs only"), std::string::npos) << mp4.err;
  EXPECT_FALSE(fs::exists(dir / "captioned.mp4"));
}

}  // namespace

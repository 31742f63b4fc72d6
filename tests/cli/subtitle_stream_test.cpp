// Captions as a subtitle stream: each container that takes one carries each
// caption's text in its own subtitle codec, timed to its slide, as the
// libraries' decoders read it back (text that looks like style codes
// included); others are refused up front.
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
  friend void PrintTo(const CueRead& c, std::ostream* os) {
    *os << c.startMs << "-" << c.endMs << " \"" << c.text << "\"";
  }
};

// The text of a decoded ASS event as a player shows it: after its eight
// leading fields, \N a line break, invisible word joiners left out.
std::string EventText(const char* ass) {
  std::string text = ass;
  for (int field = 0; field < 8; ++field) text.erase(0, text.find(',') + 1);
  for (size_t at = 0; (at = text.find("\\N", at)) != std::string::npos;) text.replace(at, 2, "\n");
  for (size_t at = 0; (at = text.find("\xE2\x81\xA0", at)) != std::string::npos;) text.erase(at, 3);
  return text;
}

struct SubtitleRead {
  AVCodecID codec = AV_CODEC_ID_NONE;
  std::vector<CueRead> cues;  // packets that decode to text; MP4 fills gaps with empty ones
};

SubtitleRead DecodeSubtitles(const std::string& path) {
  SubtitleRead read;
  AVFormatContext* ic = nullptr;
  if (ff::avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0) return read;
  AVCodecContext* dec = nullptr;
  for (unsigned i = 0; i < ic->nb_streams && !dec; ++i) {
    const AVStream* st = ic->streams[i];
    if (st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE) continue;
    read.codec = st->codecpar->codec_id;
    const AVCodec* codec = ff::avcodec_find_decoder(read.codec);
    dec = ff::avcodec_alloc_context3(codec);
    ff::avcodec_parameters_to_context(dec, st->codecpar);
    dec->pkt_timebase = st->time_base;
    EXPECT_EQ(ff::avcodec_open2(dec, codec, nullptr), 0);
  }
  AVPacket* pkt = ff::av_packet_alloc();
  while (dec && ff::av_read_frame(ic, pkt) >= 0) {
    const AVStream* st = ic->streams[pkt->stream_index];
    AVSubtitle sub{};
    int got = 0;
    // mov_text keeps styles beside the text, which the decoder turns back
    // into codes: a plain caption's sample is its text alone.
    if (st->codecpar->codec_id == AV_CODEC_ID_MOV_TEXT && pkt->size >= 2) {
      EXPECT_EQ(pkt->size, 2 + (pkt->data[0] << 8 | pkt->data[1]));
    }
    if (st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE &&
        ff::avcodec_decode_subtitle2(dec, &sub, &got, pkt) >= 0 && got) {
      const double unit = 1000.0 * st->time_base.num / st->time_base.den;
      for (unsigned r = 0; r < sub.num_rects; ++r)
        if (sub.rects[r]->ass && !EventText(sub.rects[r]->ass).empty())
          read.cues.push_back({std::llround(double(pkt->pts) * unit),
                               std::llround(double(pkt->pts + pkt->duration) * unit),
                               EventText(sub.rects[r]->ass)});
      ff::avsubtitle_free(&sub);
    }
    ff::av_packet_unref(pkt);
  }
  ff::av_packet_free(&pkt);
  ff::avcodec_free_context(&dec);
  ff::avformat_close_input(&ic);
  return read;
}

TEST(SubtitleStream, CaptionsGoIntoEachContainerTimedToTheirSlides) {
  e2e::InitMedia();
  const fs::path dir = e2e::Scratch("subtitles");
  const std::vector<std::string> pictures = e2e::MakePictures(dir);
  const fs::path captions = dir / "captions.txt";
  std::ofstream(captions) << "Première image\n\nΤρίτη\\nεικόνα {\\b1}100%\\h\n";
  const fs::path sound = dir / "sound.wav";
  e2e::WriteWav(sound, 1.0);
  // With a sound file the captions are the third input: the streams are named for MP4 and MOV.
  const struct {
    const char* name;
    AVCodecID codec;
    bool withSound;
  } kCases[] = {{"captioned.mkv", AV_CODEC_ID_SUBRIP, false},
                {"captioned.mp4", AV_CODEC_ID_MOV_TEXT, false},
                {"captioned.mov", AV_CODEC_ID_MOV_TEXT, true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const fs::path out = dir / c.name;
    std::vector<std::string> args{"--every-frame", "--size", "320x240", "--picture-delay", "0.5",
                                  "--transition-delay", "0.3", "--captions", captions.string(), "--subtitles",
                                  "-q", "-o", out.string()};
    if (c.withSound) args.insert(args.end(), {"--audio", sound.string()});
    args.insert(args.end(), pictures.begin(), pictures.end());
    const clitest::ProgramResult r = clitest::RunProgram(args, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // 9 transition and 15 hold frames a slide at 30/1; a cue runs from the
    // middle of the transition in to the middle of the one out.
    const SubtitleRead read = DecodeSubtitles(out.string());
    EXPECT_EQ(read.codec, c.codec);
    EXPECT_EQ(read.cues, (std::vector<CueRead>{{150, 950, "Première image"}, {1750, 2550, "Τρίτη\nεικόνα {\\b1}100%\\h"}}));
    const e2e::FileFacts facts = e2e::Probe(out.string(), false);
    EXPECT_EQ(facts.Find(AVMEDIA_TYPE_VIDEO)->frames, 83);
    EXPECT_EQ(facts.Count(AVMEDIA_TYPE_AUDIO), c.withSound ? 1 : 0);
    EXPECT_FALSE(fs::exists(out.string() + ".srt"));
  }

  std::vector<std::string> args{"--captions", captions.string(), "--subtitles", "-q", "-o",
                                (dir / "captioned.avi").string()};
  args.insert(args.end(), pictures.begin(), pictures.end());
  const clitest::ProgramResult avi = clitest::RunProgram(args, dir);
  EXPECT_EQ(avi.exitCode, 2);
  EXPECT_NE(avi.err.find(".mkv, .mp4 and .mov outputs only"), std::string::npos) << avi.err;
  EXPECT_FALSE(fs::exists(dir / "captioned.avi"));
}

}  // namespace

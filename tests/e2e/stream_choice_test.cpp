// Which input streams feed the output, decided when the output opens.
#include <cstring>
#include <fstream>
#include <iterator>

#include "e2e_support.h"
#include "media/ff_owners.h"
#include "media/frame_input_adapter.h"

namespace e2e {
namespace {

class StreamChoiceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitMedia(); }

  // Opens frame sources of the given sizes and an output; the input stream
  // that feeds the output's video, or -1.
  static int VideoSource(const std::vector<std::string>& sizes, const std::string& output) {
    std::vector<std::unique_ptr<media::TFrameInputAdapter>> adapters;
    engine::TTranscoder engine;
    for (const std::string& size : sizes) {
      adapters.push_back(std::make_unique<media::TFrameInputAdapter>());
      engine.ParseOptions("-f frameinput -input_type canvas -pix_fmt bgra -r 30/1 -s " + size);
      EXPECT_GE(engine.OpenInput(adapters.back()->InputFileName()), 0) << engine.LastErrorText();
    }
    EXPECT_GE(engine.OpenOutput(output), 0) << engine.LastErrorText();
    for (const auto& ost : engine.OutputStreams())
      if (ost->st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) return ost->source_index;
    return -1;
  }
};

TEST_F(StreamChoiceTest, LargerPictureFeedsTheVideoAndTheFirstWinsATie) {
  const fs::path dir = Scratch("choice");
  EXPECT_EQ(VideoSource({"160x120", "320x240"}, (dir / "a.mkv").string()), 1);
  EXPECT_EQ(VideoSource({"320x240", "160x120"}, (dir / "b.mkv").string()), 0);
  EXPECT_EQ(VideoSource({"320x240", "320x240"}, (dir / "c.mkv").string()), 0);
  // Nothing ran, so nothing is left behind.
  EXPECT_FALSE(fs::exists(dir / "a.mkv"));
}

// An MP3 of a tone with a JPEG cover of the given size, the way taggers
// store it: a one-packet video stream marked as attached picture.
void WriteMp3WithCover(const fs::path& dir, const fs::path& mp3, int coverSize) {
  const std::string wav = (dir / "tone.wav").string(), plain = (dir / "plain.mp3").string();
  WriteWav(wav, 1.5);
  {
    engine::TTranscoder engine;
    ASSERT_GE(engine.OpenInput(wav), 0) << engine.LastErrorText();
    engine.ParseOptions("-c:a libmp3lame");
    ASSERT_GE(engine.OpenOutput(plain), 0) << engine.LastErrorText();
    engine.Run();
    ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  }
  const fs::path jpeg = dir / "cover.jpg";
  WriteJpeg(jpeg, coverSize, coverSize);
  std::ifstream in(jpeg, std::ios::binary);
  const std::vector<char> picture{std::istreambuf_iterator<char>(in), {}};

  AVFormatContext* raw = nullptr;
  ASSERT_GE(ff::avformat_open_input(&raw, plain.c_str(), nullptr, nullptr), 0);
  media::InputContextPtr source(raw);
  ASSERT_GE(ff::avformat_find_stream_info(raw, nullptr), 0);
  AVFormatContext* out = nullptr;
  ASSERT_GE(ff::avformat_alloc_output_context2(&out, nullptr, "mp3", mp3.c_str()), 0);
  media::OutputContextPtr target(out);
  AVStream* audio = ff::avformat_new_stream(out, nullptr);
  ASSERT_GE(ff::avcodec_parameters_copy(audio->codecpar, raw->streams[0]->codecpar), 0);
  audio->time_base = raw->streams[0]->time_base;
  AVStream* cover = ff::avformat_new_stream(out, nullptr);
  cover->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  cover->codecpar->codec_id = AV_CODEC_ID_MJPEG;
  cover->codecpar->width = cover->codecpar->height = coverSize;
  cover->disposition = AV_DISPOSITION_ATTACHED_PIC;
  ASSERT_GE(ff::avio_open2(&out->pb, mp3.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr), 0);
  ASSERT_GE(ff::avformat_write_header(out, nullptr), 0);

  engine::PacketPtr pkt(ff::av_packet_alloc());
  ASSERT_GE(ff::av_new_packet(pkt.get(), int(picture.size())), 0);
  std::memcpy(pkt->data, picture.data(), picture.size());
  pkt->stream_index = cover->index;
  pkt->flags |= AV_PKT_FLAG_KEY;
  ASSERT_GE(ff::av_interleaved_write_frame(out, pkt.get()), 0);
  while (ff::av_read_frame(raw, pkt.get()) >= 0) {
    ff::av_packet_rescale_ts(pkt.get(), raw->streams[0]->time_base, audio->time_base);
    pkt->stream_index = audio->index;
    pkt->pos = -1;
    ASSERT_GE(ff::av_interleaved_write_frame(out, pkt.get()), 0);
  }
  ASSERT_GE(ff::av_write_trailer(out), 0);
}

TEST_F(StreamChoiceTest, CoverArtOfTheSoundNeverReplacesTheSlideshow) {
  const fs::path dir = Scratch("cover");
  SlideshowRun run;
  run.pictures = MakePictures(dir);
  run.audio = (dir / "sound.mp3").string();
  WriteMp3WithCover(dir, run.audio, 600);
  ASSERT_FALSE(HasFatalFailure());
  const FileFacts sound = Probe(run.audio, false);
  ASSERT_EQ(sound.Count(AVMEDIA_TYPE_VIDEO), 1) << "the cover must be there to be passed over";
  EXPECT_EQ(sound.Find(AVMEDIA_TYPE_VIDEO)->width, 600);

  run.output = (dir / "show.mkv").string();
  run.Execute();
  ASSERT_FALSE(run.errorOccurred) << run.errorMessage << run.lastErrorText;
  const FileFacts facts = Probe(run.output, false);
  ASSERT_EQ(facts.Count(AVMEDIA_TYPE_VIDEO), 1);
  const StreamFacts* v = facts.Find(AVMEDIA_TYPE_VIDEO);
  EXPECT_EQ(v->width, 320);
  EXPECT_EQ(v->height, 240);
  EXPECT_EQ(v->frames, run.totalFrames);
  EXPECT_EQ(facts.Count(AVMEDIA_TYPE_AUDIO), 1);
}

TEST_F(StreamChoiceTest, NoVideoOutputGivesASoundOnlyFile) {
  const fs::path dir = Scratch("novideo");
  SlideshowRun run;
  run.pictures = MakePictures(dir);
  run.audio = (dir / "sound.wav").string();
  WriteWav(run.audio, 1.5);
  run.output = (dir / "sound.mkv").string();
  run.extraOutputOptions = "-vn";
  run.Execute();
  ASSERT_FALSE(run.errorOccurred) << run.errorMessage << run.lastErrorText;
  const FileFacts facts = Probe(run.output, false);
  EXPECT_EQ(facts.Count(AVMEDIA_TYPE_VIDEO), 0);
  ASSERT_EQ(facts.Count(AVMEDIA_TYPE_AUDIO), 1);
  EXPECT_NEAR(double(facts.Find(AVMEDIA_TYPE_AUDIO)->samples) / 44100, 1.5, 0.1);
}

}  // namespace
}  // namespace e2e

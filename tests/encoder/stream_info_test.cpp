// The stream-information text: its number formats, the report on a
// hand-made context, and the whole text for a sound file and the frame source.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>

#include "encoder/ff_decoder.h"
#include "encoder/stream_info.h"
#include "media/binding/ff_logger.h"
#include "media/frame_source/frame_input_adapter.h"
#include "media/frame_source/frame_input_format.h"
#include "media/bridges/main_thread.h"
#include "wav_file.h"

namespace {

namespace fs = std::filesystem;
using namespace encoder;

// Rescaling and codec texts come from the libraries.
class StreamInfoFormatTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    media::InitMainThread();
    media::FFLoader().SetLibraryFolder("");
    ASSERT_TRUE(media::FFLoader().LoadLibrarySet(media::kAllLibraries))
        << media::FFLoader().LastLoaderError();
    media::RegisterFrameInputFormat();
  }
};

class StreamInfoTest : public StreamInfoFormatTest {
 protected:
  void SetUp() override {
    media::DefaultLogger().SetOnLog([this](const void*, uint32_t, media::TLogLevel level, const std::string& text) {
      std::lock_guard guard(lock_);
      if (level == media::llWarning) warnings_.push_back(text);
    });
  }
  void TearDown() override { media::DefaultLogger().SetOnLog(nullptr); }

  static fs::path Scratch(const std::string& name) {
    const char* root = std::getenv("LS_TEST_TMP");
    fs::path dir = (root ? fs::path(root) : fs::temp_directory_path()) /
                   ("stream-info-" + name + "-" + std::to_string(getpid()));
    fs::create_directories(dir);
    return dir;
  }

  std::mutex lock_;
  std::vector<std::string> warnings_;
};

TEST_F(StreamInfoFormatTest, FileSizesSwitchUnitAboveEachPowerOf1024) {
  EXPECT_EQ(FormatFileSize(0), "0 Byte");
  EXPECT_EQ(FormatFileSize(-7), "-7 Byte");
  EXPECT_EQ(FormatFileSize(1024), "1024 Byte");
  EXPECT_EQ(FormatFileSize(1025), "1.00 KB");
  EXPECT_EQ(FormatFileSize(1048576), "1024.00 KB");
  EXPECT_EQ(FormatFileSize(1048577), "1.00 MB");
  EXPECT_EQ(FormatFileSize(1073741824), "1024.00 MB");
  EXPECT_EQ(FormatFileSize(5LL << 30), "5.00 GB");
}

TEST_F(StreamInfoFormatTest, DurationsAndStartTimes) {
  EXPECT_EQ(FormatDuration(AV_NOPTS_VALUE), "N/A");
  EXPECT_EQ(FormatDuration(3723500000), "01:02:03.500");
  EXPECT_EQ(FormatDuration(0), "00:00:00.000");
  EXPECT_EQ(FormatDuration(int64_t(3723.5 * 90000), AVRational{1, 90000}), "01:02:03.500");
  EXPECT_EQ(FormatStartTime(AV_NOPTS_VALUE), "");
  EXPECT_EQ(FormatStartTime(0), "0.000000");
  EXPECT_EQ(FormatStartTime(1500000), "1.500000");
  EXPECT_EQ(FormatStartTime(-1500000), "-1.500000");
  // Between -1 and 0 the whole seconds are 0 and carry no sign of their own.
  EXPECT_EQ(FormatStartTime(-500000), "-0.500000");
  EXPECT_EQ(FormatStartTime(-1), "-0.000001");
  EXPECT_EQ(FormatStartTime(-45000, AVRational{1, 90000}), "-0.500000");
}

TEST_F(StreamInfoFormatTest, RatesDropNeedlessDecimalsAndShortenThousands) {
  EXPECT_EQ(FormatRate(30, "fps"), ", 30 fps");
  EXPECT_EQ(FormatRate(29.97, "fps"), ", 29.97 fps");
  EXPECT_EQ(FormatRate(30000.0 / 1001, "tbr"), ", 29.97 tbr");
  EXPECT_EQ(FormatRate(90000, "tbn"), ", 90k tbn");
  EXPECT_EQ(FormatRate(1000000, "tbn"), ", 1000k tbn");
  EXPECT_EQ(FormatRate(44100, "tbn"), ", 44100 tbn");
  EXPECT_EQ(FormatRate(12.5, "fps"), ", 12.50 fps");
}

TEST_F(StreamInfoTest, WithoutAContextTheTextIsEmptyAndTheLogSaysWhy) {
  TFFDecoder decoder;
  EXPECT_EQ(decoder.StreamInfoText(), "");
  EXPECT_EQ(decoder.LastErrorMessage(), "file not loaded.");
  ASSERT_EQ(warnings_.size(), 1u);
  EXPECT_EQ(warnings_[0], "file not loaded.");
}

// A context made by hand: no container, so every part of the report can be
// set exactly.
TEST_F(StreamInfoTest, ReportCoversMetadataChaptersProgramsAndStreamDetails) {
  AVFormatContext* ctx = ff::avformat_alloc_context();
  ASSERT_NE(ctx, nullptr);
  ctx->url = ff::av_strdup("made by hand");
  ctx->duration = 3723500000;
  ctx->start_time = -500000;
  ctx->bit_rate = 128999;
  ff::av_dict_set(&ctx->metadata, "title", "Two\rlines", 0);
  ff::av_dict_set(&ctx->metadata, "language", "eng", 0);

  AVStream* video = ff::avformat_new_stream(ctx, nullptr);
  video->time_base = AVRational{1, 90000};
  video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  video->codecpar->codec_id = AV_CODEC_ID_RAWVIDEO;
  video->codecpar->format = AV_PIX_FMT_GRAY8;
  video->codecpar->width = 640;
  video->codecpar->height = 480;
  video->sample_aspect_ratio = AVRational{4, 3};
  video->avg_frame_rate = AVRational{30000, 1001};
  video->r_frame_rate = AVRational{30, 1};
  video->disposition = AV_DISPOSITION_DEFAULT | AV_DISPOSITION_FORCED;
  video->start_time = 45000;
  video->duration = 900000;
  ff::av_dict_set(&video->metadata, "language", "ger", 0);

  AVStream* sound = ff::avformat_new_stream(ctx, nullptr);
  sound->time_base = AVRational{2, 88200};  // reduced in the line
  sound->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
  sound->codecpar->codec_id = AV_CODEC_ID_NONE;
  ff::av_dict_set(&sound->metadata, "handler", "Sound", 0);

  AVProgram* program = ff::av_new_program(ctx, 7);
  ff::av_dict_set(&program->metadata, "name", "Main", 0);
  ff::av_program_add_stream_index(ctx, 7, 1);

  ctx->chapters = static_cast<AVChapter**>(ff::av_mallocz(sizeof(AVChapter*)));
  ctx->chapters[0] = static_cast<AVChapter*>(ff::av_mallocz(sizeof(AVChapter)));
  ctx->nb_chapters = 1;
  ctx->chapters[0]->time_base = AVRational{1, 1000};
  ctx->chapters[0]->start = 1500;
  ctx->chapters[0]->end = 4000;
  ff::av_dict_set(&ctx->chapters[0]->metadata, "title", "Intro", 0);

  const std::string text = StreamInfoText(ctx, 2048);
  const std::string expected =
      "File Name: made by hand\n"
      "Format Name: \n"
      "File Size: 2.00 KB\n"
      "Metadata:\n"
      "  title           : Two lines\n"
      "Duration: 01:02:03.500, start: -0.500000, bitrate: 128 kb/s\n"
      "Chapter #0: start 1.500000, end 4.000000\n"
      "  Metadata:\n"
      "    title           : Intro\n"
      "Program 7 Main\n"
      "  Metadata:\n"
      "    name            : Main\n"
      "  Stream #1, 1/44100: Audio: none, 0 channels\n"
      "  Metadata:\n"
      "    handler         : Sound\n"
      "No Program\n"
      "  Stream #0(ger), 1/90000: Video: rawvideo, gray, 640x480, "
      "SAR 4:3 DAR 16:9, 29.97 fps, 30 tbr, 90k tbn (default) (forced), start: 0.500000, "
      "duration: 00:00:10.000\n";
  EXPECT_EQ(text, expected);
  ff::avformat_free_context(ctx);
}

TEST_F(StreamInfoTest, SoundFileTextAndAnalysis) {
  const fs::path wav = Scratch("wav") / "tone.wav";
  testwav::WritePcm16(wav, 44100, 2, 44100, [](int c, uint32_t i) { return int16_t((i * (c + 1)) & 0x7FF); });
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.Open(wav.string())) << decoder.LastErrorMessage();
  EXPECT_EQ(decoder.StreamInfoText(),
            "File Name: " + wav.string() + "\n"
            "Format Name: wav\n"
            "Format Long Name: WAV / WAVE (Waveform Audio)\n"
            "File Size: 172.31 KB\n"
            "Duration: 00:00:01.000, bitrate: 1411 kb/s\n"
            "  Stream #0, 1/44100: Audio: pcm_s16le ([1][0][0][0] / 0x0001), 44100 Hz, 2 channels, "
            "s16, 1411 kb/s, duration: 00:00:01.000\n");
  const TStreamCounts& counts = decoder.Counts();
  EXPECT_EQ(counts.FileSize, 44 + 44100 * 4);
  EXPECT_EQ(counts.StreamCount, 1);
  EXPECT_EQ(counts.ProgramCount, 0);
  EXPECT_EQ(counts.AudioCount, 1);
  EXPECT_EQ(counts.FirstAudio, 0);
  EXPECT_EQ(counts.VideoCount, 0);
  EXPECT_EQ(counts.FirstVideo, -1);
  EXPECT_FALSE(decoder.Open((Scratch("wav") / "missing.wav").string()));
  EXPECT_NE(decoder.LastErrorMessage().find("missing.wav"), std::string::npos);
}

TEST_F(StreamInfoTest, FrameSourceTextAndAttachingTwice) {
  media::TFrameInputAdapter adapter;
  AVDictionary* options = nullptr;
  ff::av_dict_set(&options, "input_type", "canvas", 0);
  ff::av_dict_set(&options, "pixel_format", "bgra", 0);
  ff::av_dict_set(&options, "video_size", "320x240", 0);
  ff::av_dict_set(&options, "framerate", "30/1", 0);
  AVFormatContext* raw = nullptr;
  ASSERT_EQ(media::OpenOwnInput(&media::FrameInputFormat(), adapter.InputFileName().c_str(),
                                &options, &raw), 0);
  ff::av_dict_free(&options);
  const media::InputContextPtr ctx(raw, {true});
  ASSERT_GE(ff::avformat_find_stream_info(raw, nullptr), 0);

  TFFDecoder decoder;
  decoder.Attach(raw);
  EXPECT_EQ(decoder.StreamInfoText(),
            "File Name: " + adapter.InputFileName() + "\n"
            "Format Name: frameinput\n"
            "Format Long Name: Frame input\n"
            "File Size: 0 Byte\n"
            // Stream info found no length in a source without end.
            "Duration: 00:00:00.000, start: 0.000000, bitrate: N/A\n"
            "  Stream #0, 1/1000000: Video: rawvideo (BGRA / 0x41524742), bgra, 320x240, "
            "73728 kb/s, 30 fps, 30 tbr, 1000k tbn, start: 0.000000\n");
  EXPECT_EQ(decoder.Counts().VideoCount, 1);
  EXPECT_EQ(decoder.Counts().FirstVideo, 0);
  decoder.Attach(raw);  // the same context: kept as it is
  EXPECT_EQ(decoder.FormatContext(), raw);
  decoder.Attach(nullptr);  // the caller's context is not closed by this
  EXPECT_EQ(decoder.FormatContext(), nullptr);
  EXPECT_EQ(decoder.Counts().StreamCount, -1);
  EXPECT_EQ(raw->nb_streams, 1u);
}

}  // namespace

// The caption track input: each cue comes out as a mov_text packet at its
// time, which the libraries' own decoder turns back into the cue's text,
// also where the text looks like the style codes subtitle encoders read.
#include <gtest/gtest.h>

#include "encoder/caption_track_input.h"
#include "encoder/encoder_support.h"
#include "media/binding/ff_entry_points.h"
#include "media/frame_source/own_input.h"

namespace {

struct Read {
  int64_t startMs, endMs;
  std::string text;
  bool operator==(const Read&) const = default;
  friend void PrintTo(const Read& r, std::ostream* os) {
    *os << r.startMs << "-" << r.endMs << " \"" << r.text << "\"";
  }
};

// The decoded event's text as a player shows it: after the event's eight
// fields, \N a line break, the invisible word joiners gone.
std::string Shown(const char* ass) {
  std::string text = ass;
  for (int field = 0; field < 8; ++field) text.erase(0, text.find(',') + 1);
  for (size_t at = 0; (at = text.find("\\N", at)) != std::string::npos;) text.replace(at, 2, "\n");
  for (size_t at = 0; (at = text.find("\xE2\x81\xA0", at)) != std::string::npos;) text.erase(at, 3);
  return text;
}

TEST(CaptionTrack, CuesComeBackAsTheirTextsAtTheirTimes) {
  encoder_test::InitMedia();
  encoder::RegisterCaptionTrackFormat();
  const uint64_t number = encoder::RegisterCaptionTrack({
      {100, 900, "Première image"},
      {900, 1500, "two\nlines\n"},
      {1200, 1400, "overlaps the one before: left out"},
      {1600, 1600, "no time on screen: left out"},
      {1700, 1800, "\n"},
      {2000, 2600, "Tom {\\b1}bold\\h or \\N not codes"},
  });
  AVFormatContext* ic = nullptr;
  ASSERT_EQ(media::OpenOwnInput(media::FindInputFormat(encoder::kCaptionTrackFormat),
                                std::to_string(number).c_str(), nullptr, &ic), 0);
  encoder::UnregisterCaptionTrack(number);  // the input keeps what it needs
  ASSERT_EQ(ic->nb_streams, 1u);
  const AVCodecParameters* par = ic->streams[0]->codecpar;
  EXPECT_EQ(par->codec_id, AV_CODEC_ID_MOV_TEXT);
  EXPECT_GT(par->extradata_size, 0);  // the sample description an MP4 needs

  const AVCodec* codec = ff::avcodec_find_decoder(par->codec_id);
  AVCodecContext* dec = ff::avcodec_alloc_context3(codec);
  ff::avcodec_parameters_to_context(dec, par);
  ASSERT_EQ(ff::avcodec_open2(dec, codec, nullptr), 0);
  std::vector<Read> read;
  AVPacket* pkt = ff::av_packet_alloc();
  while (media::ReadOwnPacket(ic, pkt) >= 0) {
    AVSubtitle sub{};
    int got = 0;
    ASSERT_GE(ff::avcodec_decode_subtitle2(dec, &sub, &got, pkt), 0);
    ASSERT_TRUE(got && sub.num_rects == 1 && sub.rects[0]->ass);
    read.push_back({pkt->pts, pkt->pts + pkt->duration, Shown(sub.rects[0]->ass)});
    ff::avsubtitle_free(&sub);
    ff::av_packet_unref(pkt);
  }
  ff::av_packet_free(&pkt);
  ff::avcodec_free_context(&dec);
  media::CloseOwnInput(&ic);
  EXPECT_EQ(read, (std::vector<Read>{{100, 900, "Première image"},
                                     {900, 1500, "two\nlines"},
                                     {2000, 2600, "Tom {\\b1}bold\\h or \\N not codes"}}));
}

TEST(CaptionTrack, AnUnknownTrackIsRefused) {
  encoder_test::InitMedia();
  encoder::RegisterCaptionTrackFormat();
  AVFormatContext* ic = nullptr;
  EXPECT_LT(media::OpenOwnInput(media::FindInputFormat(encoder::kCaptionTrackFormat), "999999", nullptr, &ic), 0);
  EXPECT_EQ(ic, nullptr);
}

}  // namespace

// A context built on our own input format has a descriptor with only its
// public fields set. These checks fail when a library update starts to rely
// on more than that in the calls the engine makes on such a context.
#include <gtest/gtest.h>

#include "media/binding/ff_entry_points.h"
#include "media/frame_source/own_input.h"
#include "media_test_support.h"

namespace {

int g_packetsRead = 0;

int ToyHeader(AVFormatContext* s) {
  AVStream* st = ff::avformat_new_stream(s, nullptr);
  if (!st) return AVERROR(ENOMEM);
  st->time_base = AVRational{1, 25};
  st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  st->codecpar->codec_id = AV_CODEC_ID_RAWVIDEO;
  st->codecpar->format = AV_PIX_FMT_GRAY8;
  st->codecpar->width = 4;
  st->codecpar->height = 2;
  st->avg_frame_rate = st->r_frame_rate = AVRational{25, 1};
  s->flags |= AVFMT_FLAG_NOPARSE;
  s->probesize = 0;
  return 0;
}

int ToyPacket(AVFormatContext*, AVPacket* pkt) {
  ++g_packetsRead;
  return ff::av_new_packet(pkt, 8);
}

const media::TInputFormat kToy = {
    .name = "toy",
    .long_name = "Toy input",
    .flags = AVFMT_NOFILE,
    .priv_class = nullptr,
    .priv_data_size = 0,
    .read_header = ToyHeader,
    .read_packet = ToyPacket,
    .read_close = nullptr,
};

TEST(OwnInputTest, LibraryCallsOnTheContextUseOnlyPublicDescriptorFields) {
  media_test::LoadedLibraries libs{media::kAllLibraries};
  ASSERT_TRUE(libs.ok()) << media::FFLoader().LastLoaderError();
  // Public fields keep their place within one major version.
  EXPECT_EQ(AV_VERSION_MAJOR(ff::avformat_version()), LIBAVFORMAT_VERSION_MAJOR);

  AVFormatContext* ctx = nullptr;
  ASSERT_EQ(media::OpenOwnInput(&kToy, "toy:", nullptr, &ctx), 0);
  g_packetsRead = 0;
  AVDictionary* perStream[1] = {nullptr};
  ff::av_dict_set(&perStream[0], "threads", "1", 0);
  // A library that read ahead here would call the descriptor's private,
  // zeroed read routine and crash.
  EXPECT_GE(ff::avformat_find_stream_info(ctx, perStream), 0);
  ff::av_dict_free(&perStream[0]);
  ff::av_dump_format(ctx, 0, ctx->url, 0);
  EXPECT_EQ(g_packetsRead, 0);
  EXPECT_STREQ(ctx->iformat->name, "toy");
  EXPECT_EQ(ctx->streams[0]->codecpar->width, 4);

  AVPacket* pkt = ff::av_packet_alloc();
  EXPECT_EQ(media::ReadOwnPacket(ctx, pkt), 0);
  EXPECT_EQ(pkt->size, 8);
  EXPECT_EQ(g_packetsRead, 1);
  ff::av_packet_free(&pkt);
  media::CloseOwnInput(&ctx);
  EXPECT_EQ(ctx, nullptr);
}

}  // namespace

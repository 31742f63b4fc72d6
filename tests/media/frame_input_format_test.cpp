// The "frameinput" format through the real libraries: header checks, the
// stream it creates, packets and their time stamps, and that decoders and
// the libraries' own stream functions accept the result.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "media/binding/ff_entry_points.h"
#include "media/frame_source/frame_input_adapter.h"
#include "media/frame_source/frame_input_format.h"
#include "media/bridges/main_thread.h"
#include "media/frame_source/own_input.h"
#include "media_test_support.h"

namespace {

using media::TFrameInputAdapter;
using media::TInputFrameInfo;

struct LogLine {
  int level;
  std::string text;
};

std::mutex g_logLock;
std::vector<LogLine> g_log;

void CaptureLog(void*, int level, const char* format, va_list args) {
  char text[2048];
  std::vsnprintf(text, sizeof text, format, args);
  std::lock_guard guard(g_logLock);
  g_log.push_back({level, text});
}

struct Packet {
  AVPacket* p = ff::av_packet_alloc();
  ~Packet() { ff::av_packet_free(&p); }
};

using Options = std::vector<std::pair<const char*, const char*>>;

const Options kCanvas320 = {
    {"input_type", "canvas"}, {"pixel_format", "bgra"}, {"framerate", "30/1"}, {"video_size", "320x240"}};

// A byte that differs by frame, row and column.
uint8_t Pattern(int frame, int row, int column) { return uint8_t(frame * 31 + row * 7 + column * 3 + 1); }

class FrameInputFormatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(libs_.ok()) << media::FFLoader().LastLoaderError();
    media::InitMainThread();
    media::RegisterFrameInputFormat();
    ff::av_log_set_callback(CaptureLog);
    std::lock_guard guard(g_logLock);
    g_log.clear();
  }
  void TearDown() override {
    media::CloseOwnInput(&ctx_);
    media::InstallLogCallback();
  }

  int Open(const Options& options, const std::string& url) {
    AVDictionary* dict = nullptr;
    for (const auto& [key, value] : options) ff::av_dict_set(&dict, key, value, 0);
    const int ret = media::OpenOwnInput(&media::FrameInputFormat(), url.c_str(), &dict, &ctx_);
    leftovers_.clear();
    for (const AVDictionaryEntry* e = nullptr; (e = ff::av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX));)
      leftovers_.push_back(e->key);
    ff::av_dict_free(&dict);
    return ret;
  }
  int Open(const Options& options) { return Open(options, adapter_.InputFileName()); }

  // Time stamps of `count` packets, which must all be delivered.
  std::vector<int64_t> ReadPts(int count) {
    std::vector<int64_t> pts;
    for (int i = 0; i < count; ++i) {
      Packet pkt;
      EXPECT_EQ(media::ReadOwnPacket(ctx_, pkt.p), 0);
      pts.push_back(pkt.p->pts);
    }
    return pts;
  }

  TInputFrameInfo& Info() { return static_cast<media::FrameInputContext*>(ctx_->priv_data)->FrameInfo; }

  std::vector<LogLine> LogAt(int level) {
    std::lock_guard guard(g_logLock);
    std::vector<LogLine> lines;
    for (const LogLine& l : g_log)
      if (l.level == level) lines.push_back(l);
    return lines;
  }
  bool Logged(int level, const std::string& text) {
    for (const LogLine& l : LogAt(level))
      if (l.text == text) return true;
    return false;
  }

  media_test::LoadedLibraries libs_{media::kAllLibraries};
  TFrameInputAdapter adapter_;
  AVFormatContext* ctx_ = nullptr;
  std::vector<std::string> leftovers_;
};

TEST_F(FrameInputFormatTest, RefusedHeadersLogWhyAndLeaveNothingOpen) {
  const std::string live = adapter_.InputFileName();
  std::string dead;
  {
    TFrameInputAdapter temporary;
    dead = temporary.InputFileName();
  }
  struct Case {
    Options options;
    std::string url;
    std::string message;
  };
  const std::string canvasMsg =
      "Invalid pixel format for canvas/bmp/dc input, should be one of pal8/rgb555le/bgr24/bgra\n";
  const std::vector<Case> cases = {
      {kCanvas320, "abc",
       "Could not parse FrameInputAdapter: \"abc\", it should be address of FrameInputAdapter\n"},
      {kCanvas320, live + "x",
       "Could not parse FrameInputAdapter: \"" + live + "x\", it should be address of FrameInputAdapter\n"},
      {kCanvas320, "0", "Invalid FrameInputAdapter\n"},
      // Numbers that name no live adapter are never dereferenced.
      {kCanvas320, dead, "Invalid FrameInputAdapter\n"},
      {kCanvas320, "4096", "Invalid FrameInputAdapter\n"},
      {kCanvas320, "-8", "Invalid FrameInputAdapter\n"},
      {{{"input_type", "Canvas"}, {"video_size", "320x240"}}, live,
       "Invalid frame input type: \"Canvas\", it should be one of canvas/bmp/dc/yuv\n"},
      {{{"input_type", "canvas"}, {"pixel_format", "bgra"}}, live, "Invalid frame size\n"},
      {{{"video_size", "320xabc"}}, live, "Couldn't parse video size.\n"},
      {{{"video_size", "100000x100000"}}, live, "Invalid frame size\n"},
      {{{"video_size", "320x240"}, {"framerate", "fast"}}, live, "Could not parse framerate \"fast\".\n"},
      {{{"video_size", "320x240"}, {"pixel_format", "nonsense"}}, live, "Unknown pixel format requested\n"},
      {{{"input_type", "canvas"}, {"video_size", "320x240"}}, live, canvasMsg},  // yuv420p default
      {{{"input_type", "dc"}, {"video_size", "320x240"}, {"pixel_format", "rgb24"}}, live, canvasMsg},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    {
      std::lock_guard guard(g_logLock);
      g_log.clear();
    }
    EXPECT_EQ(Open(cases[i].options, cases[i].url), AVERROR(EINVAL));
    EXPECT_EQ(ctx_, nullptr);
    EXPECT_TRUE(Logged(AV_LOG_ERROR, cases[i].message)) << cases[i].message;
  }
  EXPECT_EQ(adapter_.CurrentFrameInfo(), nullptr);
}

TEST_F(FrameInputFormatTest, StreamGeometryAndRates) {
  struct Case {
    Options options;
    int width, height, bits, stride, frameSize, pixelFormat, inputType;
    AVRational rate;
    int64_t bitRate;  // -1: not checked
  };
  const std::vector<Case> cases = {
      {kCanvas320, 320, 240, 32, 1280, 307200, AV_PIX_FMT_BGRA, media::itCanvas, {30, 1}, 73728000},
      {{{"input_type", "bmp"}, {"pixel_format", "bgr24"}, {"video_size", "322x10"}, {"framerate", "25"}},
       322, 10, 24, 968, 9680, AV_PIX_FMT_BGR24, media::itBMP, {25, 1}, 1936000},
      {{{"input_type", "dc"}, {"pixel_format", "rgb555le"}, {"video_size", "3x2"}, {"framerate", "15/1"}},
       3, 2, 16, 8, 16, AV_PIX_FMT_RGB555LE, media::itDC, {15, 1}, 1920},
      {{{"input_type", "canvas"}, {"pixel_format", "pal8"}, {"video_size", "hd720"}},
       1280, 720, 8, 1280, 921600, AV_PIX_FMT_PAL8, media::itCanvas, {30000, 1001}, -1},
      // yuv without a pixel format: yuv420p, 1.5 bytes per pixel, no rows.
      {{{"video_size", "320x240"}}, 320, 240, 0, 0, 115200, AV_PIX_FMT_YUV420P, media::itYUV,
       {30000, 1001}, -1},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const Case& c = cases[i];
    ASSERT_EQ(Open(c.options), 0);
    const TInputFrameInfo& info = Info();
    EXPECT_EQ(info.Width, c.width);
    EXPECT_EQ(info.Height, c.height);
    EXPECT_EQ(info.BitsPerPixel, c.bits);
    EXPECT_EQ(info.Stride, c.stride);
    EXPECT_EQ(info.FrameSize, c.frameSize);
    EXPECT_EQ(info.PixelFormat, c.pixelFormat);
    EXPECT_EQ(info.InputType, c.inputType);
    EXPECT_EQ(info.TimeBase.num, c.rate.den);
    EXPECT_EQ(info.TimeBase.den, c.rate.num);
    EXPECT_EQ(info.FrameNumber, 1);
    EXPECT_EQ(info.LastPts, AV_NOPTS_VALUE);
    EXPECT_EQ(info.Bitmap != nullptr, c.inputType == media::itCanvas || c.inputType == media::itBMP);
    EXPECT_EQ(info.SectionHandle != nullptr, c.inputType == media::itDC);
    if (info.Bitmap) {
      EXPECT_EQ(info.Bits, info.Bitmap->Bits());
    }
    if (info.SectionHandle) {
      EXPECT_EQ(info.DCHandle, &info.SectionHandle->GetCanvas());
    }

    ASSERT_EQ(ctx_->nb_streams, 1u);
    const AVStream* st = ctx_->streams[0];
    EXPECT_EQ(st->codecpar->codec_type, AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(st->codecpar->codec_id, AV_CODEC_ID_RAWVIDEO);
    EXPECT_EQ(st->codecpar->width, c.width);
    EXPECT_EQ(st->codecpar->height, c.height);
    EXPECT_EQ(st->codecpar->format, c.pixelFormat);
    EXPECT_EQ(st->time_base.num, 1);
    EXPECT_EQ(st->time_base.den, 1000000);
    EXPECT_EQ(st->r_frame_rate.num, c.rate.num);
    EXPECT_EQ(st->r_frame_rate.den, c.rate.den);
    EXPECT_EQ(st->avg_frame_rate.num, c.rate.num);
    if (c.bitRate >= 0) {
      EXPECT_EQ(st->codecpar->bit_rate, c.bitRate);
    }
    EXPECT_TRUE(ctx_->flags & AVFMT_FLAG_NOPARSE);
    EXPECT_EQ(ctx_->probesize, 0);
    EXPECT_STREQ(ctx_->iformat->name, "frameinput");
    media::CloseOwnInput(&ctx_);
    EXPECT_EQ(ctx_, nullptr);
  }
}

TEST_F(FrameInputFormatTest, CanvasPacketsCarryTheBitmapBottomUpWithPaddingAndSteadyTimeStamps) {
  // bgr24 at width 5: 15 bytes of pixels and 1 of padding per row.
  std::vector<int> frameNumbers;
  adapter_.OnReadFrameCanvas = [&](TFrameInputAdapter* sender, gfx::Canvas& canvas, TInputFrameInfo* info) {
    EXPECT_EQ(sender, &adapter_);
    EXPECT_EQ(&canvas, info->Canvas);
    frameNumbers.push_back(info->FrameNumber);
    gfx::Bitmap& bmp = canvas.Owner();
    for (int y = 0; y < bmp.Height(); ++y)
      for (int x = 0; x < 15; ++x) bmp.ScanLine(y)[x] = Pattern(info->FrameNumber, y, x);
    return 0;
  };
  ASSERT_EQ(Open({{"input_type", "canvas"}, {"pixel_format", "bgr24"}, {"video_size", "5x3"}, {"framerate", "30/1"}}), 0);
  const int64_t expectedPts[] = {0, 33333, 66667, 100000, 133333, 166667};
  for (int frame = 1; frame <= 6; ++frame) {
    SCOPED_TRACE(frame);
    Packet pkt;
    ASSERT_EQ(media::ReadOwnPacket(ctx_, pkt.p), 0);
    EXPECT_EQ(pkt.p->pts, expectedPts[frame - 1]);
    EXPECT_EQ(pkt.p->dts, expectedPts[frame - 1]);
    EXPECT_TRUE(pkt.p->flags & AV_PKT_FLAG_KEY);
    EXPECT_EQ(pkt.p->stream_index, 0);
    ASSERT_EQ(pkt.p->size, 48);
    // The bottom row first; the stream says so to the decoder.
    for (int row = 0; row < 3; ++row) {
      const int at = (2 - row) * 16;
      for (int x = 0; x < 15; ++x) ASSERT_EQ(pkt.p->data[at + x], Pattern(frame, row, x)) << row << "," << x;
      EXPECT_EQ(pkt.p->data[at + 15], 0) << "padding";
    }
    EXPECT_EQ(Info().LastPts, expectedPts[frame - 1]);
  }
  EXPECT_EQ(frameNumbers, (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(adapter_.LastFrameResult(), 0);
}

TEST_F(FrameInputFormatTest, NtscRateTimeStamps) {
  adapter_.OnReadFrameCanvas = [](TFrameInputAdapter*, gfx::Canvas&, TInputFrameInfo*) { return 0; };
  ASSERT_EQ(Open({{"input_type", "canvas"}, {"pixel_format", "bgra"}, {"video_size", "2x2"}}), 0);
  EXPECT_EQ(ReadPts(4), (std::vector<int64_t>{0, 33367, 66733, 100100}));
}

TEST_F(FrameInputFormatTest, HandlerMovesTimeStampsForwardOnly) {
  // Frame 2 jumps to one second, frame 4 repeats frame 3's time, frame 5
  // goes back.
  adapter_.OnReadFrameCanvas = [](TFrameInputAdapter*, gfx::Canvas&, TInputFrameInfo* info) {
    if (info->FrameNumber == 2) info->Pts = 1000000;
    if (info->FrameNumber == 4) info->Pts = info->LastPts;
    if (info->FrameNumber == 5) info->Pts = 1000000;
    return 0;
  };
  ASSERT_EQ(Open(kCanvas320), 0);
  EXPECT_EQ(ReadPts(5), (std::vector<int64_t>{0, 1000000, 1033333, 1066667, 1100000}));
  const auto warnings = LogAt(AV_LOG_WARNING);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0].text, "invalid pts 1033333\n");
  EXPECT_EQ(warnings[1].text, "invalid pts 1000000\n");
}

TEST_F(FrameInputFormatTest, LargeOrNegativePtsStayWhole) {
  // The first frame takes any value; the warning shows all 64 bits.
  adapter_.OnReadFrameCanvas = [](TFrameInputAdapter*, gfx::Canvas&, TInputFrameInfo* info) {
    if (info->FrameNumber == 1) info->Pts = -5000000000;
    if (info->FrameNumber == 2) info->Pts = -6000000000;
    return 0;
  };
  ASSERT_EQ(Open(kCanvas320), 0);
  EXPECT_EQ(ReadPts(3), (std::vector<int64_t>{-5000000000, -4999966667, -4999933333}));
  EXPECT_TRUE(Logged(AV_LOG_WARNING, "invalid pts -6000000000\n"));
}

TEST_F(FrameInputFormatTest, NegativeResultEndsTheInputAtTheTypesLevel) {
  struct Case {
    const char* type;
    const char* pixelFormat;
    int level;
    std::string message;
  };
  const Case cases[] = {
      {"canvas", "bgra", AV_LOG_INFO, "reading frame (Canvas) return -1\n"},
      {"bmp", "bgra", AV_LOG_ERROR, "reading frame (BMP) return -1\n"},
      {"dc", "bgra", AV_LOG_INFO, "reading frame (DC) return -1\n"},
      {"yuv", "yuv420p", AV_LOG_INFO, "reading frame (YUV) return\n"},
  };
  {
    // Without a handler the input ends at once.
    ASSERT_EQ(Open(kCanvas320), 0);
    Packet pkt;
    EXPECT_EQ(media::ReadOwnPacket(ctx_, pkt.p), -1);
    media::CloseOwnInput(&ctx_);
  }
  auto refuse = [](TFrameInputAdapter*, auto&&, TInputFrameInfo*) { return -1; };
  adapter_.OnReadFrameCanvas = refuse;
  adapter_.OnReadFrameBMP = refuse;
  adapter_.OnReadFrameDC = refuse;
  adapter_.OnReadFrameYUV = refuse;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    ASSERT_EQ(Open({{"input_type", c.type}, {"pixel_format", c.pixelFormat}, {"video_size", "4x4"}}), 0);
    Packet pkt;
    EXPECT_EQ(media::ReadOwnPacket(ctx_, pkt.p), -1);
    EXPECT_EQ(pkt.p->data, nullptr) << "the packet is freed";
    EXPECT_EQ(pkt.p->size, 0);
    EXPECT_TRUE(Logged(c.level, c.message));
    EXPECT_EQ(adapter_.LastFrameResult(), -1);
    media::CloseOwnInput(&ctx_);
  }
}

TEST_F(FrameInputFormatTest, BmpDcAndYuvPacketsCarryWhatTheHandlerWrote) {
  // bmp: memory is bottom-up, and so is the packet.
  adapter_.OnReadFrameBMP = [](TFrameInputAdapter*, uint8_t* data, TInputFrameInfo* info) {
    for (int memoryRow = 0; memoryRow < info->Height; ++memoryRow)
      for (int x = 0; x < info->Stride; ++x)
        data[memoryRow * info->Stride + x] = Pattern(info->FrameNumber, info->Height - 1 - memoryRow, x);
    return 0;
  };
  ASSERT_EQ(Open({{"input_type", "bmp"}, {"pixel_format", "pal8"}, {"video_size", "8x3"}}), 0);
  {
    Packet pkt;
    ASSERT_EQ(media::ReadOwnPacket(ctx_, pkt.p), 0);
    ASSERT_EQ(pkt.p->size, 24);
    for (int i = 0; i < 24; ++i) ASSERT_EQ(pkt.p->data[i], Pattern(1, 2 - i / 8, i % 8)) << i;
  }
  media::CloseOwnInput(&ctx_);

  // dc: drawn through the section's canvas.
  adapter_.OnReadFrameDC = [](TFrameInputAdapter*, gfx::Canvas& dc, TInputFrameInfo* info) {
    EXPECT_EQ(&dc, info->DCHandle);
    dc.FillRect({0, 0, 4, 1}, 0x00112233);  // top row
    dc.FillRect({0, 1, 4, 2}, 0x00445566);  // bottom row
    return 7;
  };
  ASSERT_EQ(Open({{"input_type", "dc"}, {"pixel_format", "bgra"}, {"video_size", "4x2"}}), 0);
  {
    Packet pkt;
    ASSERT_EQ(media::ReadOwnPacket(ctx_, pkt.p), 0);
    ASSERT_EQ(pkt.p->size, 32);
    EXPECT_EQ(pkt.p->data[16], 0x33);
    EXPECT_EQ(pkt.p->data[17], 0x22);
    EXPECT_EQ(pkt.p->data[18], 0x11);
    EXPECT_EQ(pkt.p->data[0], 0x66);
    EXPECT_EQ(pkt.p->data[2], 0x44);
    EXPECT_EQ(adapter_.LastFrameResult(), 7);
  }
  media::CloseOwnInput(&ctx_);

  // yuv: straight into the packet.
  adapter_.OnReadFrameYUV = [](TFrameInputAdapter*, uint8_t* data, TInputFrameInfo* info) {
    EXPECT_EQ(data, info->Packet->data);
    for (int i = 0; i < info->FrameSize; ++i) data[i] = uint8_t(i * 5 + info->FrameNumber);
    return 0;
  };
  ASSERT_EQ(Open({{"video_size", "4x2"}, {"pixel_format", "yuv420p"}}), 0);
  for (int frame = 1; frame <= 2; ++frame) {
    Packet pkt;
    ASSERT_EQ(media::ReadOwnPacket(ctx_, pkt.p), 0);
    ASSERT_EQ(pkt.p->size, 12);
    for (int i = 0; i < 12; ++i) ASSERT_EQ(pkt.p->data[i], uint8_t(i * 5 + frame));
  }
}

TEST_F(FrameInputFormatTest, ThrowingHandlerFailsTheReadAndKeepsItsText) {
  int calls = 0;
  adapter_.OnReadFrameCanvas = [&](TFrameInputAdapter*, gfx::Canvas&, TInputFrameInfo*) -> int {
    if (++calls == 2) throw std::runtime_error("Cannot read picture \"b.jpg\"");
    return 0;
  };
  ASSERT_EQ(Open(kCanvas320), 0);
  Packet first, second, third;
  ASSERT_EQ(media::ReadOwnPacket(ctx_, first.p), 0);
  try {
    media::ReadOwnPacket(ctx_, second.p);
    ADD_FAILURE() << "the failure was swallowed";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Cannot read picture \"b.jpg\"");
  }
  EXPECT_EQ(second.p->size, 0);
  EXPECT_EQ(adapter_.LastFrameError(), "Cannot read picture \"b.jpg\"");
  EXPECT_EQ(adapter_.LastFrameResult(), media::kFrameHandlerFailed);
  EXPECT_TRUE(Logged(AV_LOG_ERROR, "reading frame (Canvas) failed: Cannot read picture \"b.jpg\"\n"));
  // The failed frame did not count: the next one takes its place.
  EXPECT_EQ(Info().FrameNumber, 2);
  ASSERT_EQ(media::ReadOwnPacket(ctx_, third.p), 0);
  EXPECT_EQ(third.p->pts, 33333);
  EXPECT_EQ(adapter_.LastFrameError(), "");
}

TEST_F(FrameInputFormatTest, HeaderAndCloseEventsFollowTheInput) {
  int headers = 0, closes = 0;
  adapter_.OnReadHeader = [&](TFrameInputAdapter* sender) {
    ++headers;
    EXPECT_EQ(sender, &adapter_);
    ASSERT_NE(sender->CurrentFrameInfo(), nullptr);
    EXPECT_EQ(sender->CurrentFrameInfo()->Width, 320);
  };
  adapter_.OnReadClose = [&](TFrameInputAdapter*) { ++closes; };
  ASSERT_EQ(Open(kCanvas320), 0);
  EXPECT_EQ(headers, 1);
  EXPECT_EQ(adapter_.InputContext(), ctx_->priv_data);
  EXPECT_EQ(adapter_.CurrentFrameInfo(), &Info());
  media::CloseOwnInput(&ctx_);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(adapter_.CurrentFrameInfo(), nullptr) << "no pointer into a closed input";
  EXPECT_EQ(adapter_.InputContext(), nullptr);

  // A header handler that throws fails the open with its text.
  adapter_.OnReadHeader = [](TFrameInputAdapter*) { throw std::runtime_error("not ready"); };
  EXPECT_THROW(
      {
        try {
          Open(kCanvas320);
        } catch (const std::runtime_error& e) {
          EXPECT_STREQ(e.what(), "not ready");
          throw;
        }
      },
      std::runtime_error);
  EXPECT_EQ(ctx_, nullptr);
  EXPECT_EQ(adapter_.CurrentFrameInfo(), nullptr);
  EXPECT_EQ(closes, 1);
}

TEST_F(FrameInputFormatTest, AdapterDestroyedWhileOpenEndsTheInput) {
  auto adapter = std::make_unique<TFrameInputAdapter>();
  adapter->OnReadFrameCanvas = [](TFrameInputAdapter*, gfx::Canvas&, TInputFrameInfo*) { return 0; };
  ASSERT_EQ(Open(kCanvas320, adapter->InputFileName()), 0);
  adapter.reset();
  Packet pkt;
  EXPECT_LT(media::ReadOwnPacket(ctx_, pkt.p), 0);
  EXPECT_EQ(pkt.p->size, 0);
  media::CloseOwnInput(&ctx_);
}

TEST_F(FrameInputFormatTest, UnknownOptionsStayForTheCaller) {
  Options options = kCanvas320;
  options.push_back({"bogus", "1"});
  options.push_back({"probesize", "5000000"});  // the context's own option
  ASSERT_EQ(Open(options), 0);
  EXPECT_EQ(leftovers_, (std::vector<std::string>{"bogus"}));
  EXPECT_EQ(ctx_->probesize, 0) << "no reading ahead whatever was asked";
  uint8_t* value = nullptr;
  ASSERT_GE(ff::av_opt_get(ctx_->priv_data, "input_type", 0, &value), 0);
  EXPECT_STREQ(reinterpret_cast<char*>(value), "canvas");
  ff::av_free(value);
}

// What the engine does with an input: stream info, dump, then decoding.
TEST_F(FrameInputFormatTest, PacketsShareTheCanvasWhichKeepsItsPictureWhilePacketsAreHeld) {
  // Frame 1 is drawn, 2 and 3 are left as they were, 4 gets one more pixel.
  adapter_.OnReadFrameCanvas = [](TFrameInputAdapter*, gfx::Canvas& canvas, TInputFrameInfo* info) {
    gfx::Bitmap& bmp = canvas.Owner();
    EXPECT_EQ(info->Bits, bmp.Bits());
    if (info->FrameNumber == 1) {
      for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Stride(); ++x) bmp.ScanLine(y)[x] = Pattern(1, y, x);
      return 0;
    }
    if (info->FrameNumber == 4) {
      bmp.ScanLine(0)[0] = 0xEE;
      return 0;
    }
    return media::kFrameUnchanged;
  };
  ASSERT_EQ(Open({{"input_type", "canvas"}, {"pixel_format", "bgra"}, {"video_size", "6x4"}}), 0);
  const auto* store = static_cast<media::FrameInputContext*>(ctx_->priv_data)->FrameStore;
  const auto holdsFrameOne = [](const AVPacket* p) {
    for (int i = 0; i < p->size; ++i)
      if (p->data[i] != Pattern(1, 3 - i / 24, i % 24)) return false;
    return true;
  };

  Packet first, second;
  ASSERT_EQ(media::ReadOwnPacket(ctx_, first.p), 0);
  EXPECT_TRUE(holdsFrameOne(first.p));
  EXPECT_FALSE(first.p->flags & media::kPacketRepeatsPicture) << "the first frame repeats nothing";
  // The first packet is still held: the canvas moves to a copy of it.
  ASSERT_EQ(media::ReadOwnPacket(ctx_, second.p), 0);
  EXPECT_NE(second.p->data, first.p->data);
  EXPECT_TRUE(holdsFrameOne(second.p));
  EXPECT_TRUE(second.p->flags & media::kPacketRepeatsPicture);
  EXPECT_TRUE(second.p->flags & AV_PKT_FLAG_KEY);
  EXPECT_EQ(store->Pool().Size(), 2u);
  const uint8_t* secondData = second.p->data;

  // Nothing holds the canvas any more: drawn in place, no copy, no new bitmap.
  ff::av_packet_unref(first.p);
  ff::av_packet_unref(second.p);
  Packet third;
  ASSERT_EQ(media::ReadOwnPacket(ctx_, third.p), 0);
  EXPECT_EQ(third.p->data, secondData);
  EXPECT_TRUE(holdsFrameOne(third.p));
  EXPECT_TRUE(third.p->flags & media::kPacketRepeatsPicture);
  ff::av_packet_unref(third.p);
  Packet fourth;
  ASSERT_EQ(media::ReadOwnPacket(ctx_, fourth.p), 0);
  EXPECT_EQ(fourth.p->data, secondData);
  EXPECT_EQ(fourth.p->data[3 * 24], 0xEE) << "the top row is last";
  EXPECT_FALSE(fourth.p->flags & media::kPacketRepeatsPicture);
  EXPECT_EQ(store->Pool().Size(), 2u);
}

TEST_F(FrameInputFormatTest, PacketOutlivesItsInput) {
  adapter_.OnReadFrameCanvas = [](TFrameInputAdapter*, gfx::Canvas& canvas, TInputFrameInfo*) {
    canvas.FillRect(canvas.Owner().Bounds(), 0x00ABCDEF);
    return 0;
  };
  ASSERT_EQ(Open(kCanvas320), 0);
  Packet pkt;
  ASSERT_EQ(media::ReadOwnPacket(ctx_, pkt.p), 0);
  media::CloseOwnInput(&ctx_);
  // The bitmap stays until the packet lets go of it (checked by the sanitizers).
  ASSERT_EQ(pkt.p->size, 320 * 240 * 4);
  EXPECT_EQ(pkt.p->data[pkt.p->size - 4], 0xEF);
  EXPECT_EQ(pkt.p->data[pkt.p->size - 2], 0xAB);
}

TEST_F(FrameInputFormatTest, LibrariesAndRawDecoderAcceptTheStream) {
  // bgr24 at an odd width: rows keep their padding in the packet.
  int handlerCalls = 0;
  adapter_.OnReadFrameCanvas = [&](TFrameInputAdapter*, gfx::Canvas& canvas, TInputFrameInfo*) {
    ++handlerCalls;
    gfx::Bitmap& bmp = canvas.Owner();
    for (int y = 0; y < bmp.Height(); ++y)
      for (int x = 0; x < bmp.Width() * 3; ++x) bmp.ScanLine(y)[x] = Pattern(0, y, x);
    return 0;
  };
  ASSERT_EQ(Open({{"input_type", "canvas"}, {"pixel_format", "bgr24"}, {"video_size", "322x6"}, {"framerate", "25/1"}}), 0);
  ASSERT_GE(ff::avformat_find_stream_info(ctx_, nullptr), 0);
  EXPECT_EQ(handlerCalls, 0) << "looking at the stream drew no frame";
  ff::av_dump_format(ctx_, 0, ctx_->url, 0);
  EXPECT_EQ(ctx_->streams[0]->codecpar->width, 322);

  Packet pkt;
  ASSERT_EQ(media::ReadOwnPacket(ctx_, pkt.p), 0);
  EXPECT_EQ(handlerCalls, 1);

  const AVCodec* codec = ff::avcodec_find_decoder(ctx_->streams[0]->codecpar->codec_id);
  ASSERT_NE(codec, nullptr);
  AVCodecContext* dec = ff::avcodec_alloc_context3(codec);
  ASSERT_NE(dec, nullptr);
  AVFrame* frame = ff::av_frame_alloc();
  ASSERT_GE(ff::avcodec_parameters_to_context(dec, ctx_->streams[0]->codecpar), 0);
  ASSERT_GE(ff::avcodec_open2(dec, codec, nullptr), 0);
  ASSERT_GE(ff::avcodec_send_packet(dec, pkt.p), 0);
  ASSERT_GE(ff::avcodec_receive_frame(dec, frame), 0);
  EXPECT_EQ(frame->width, 322);
  EXPECT_EQ(frame->height, 6);
  EXPECT_EQ(frame->format, AV_PIX_FMT_BGR24);
  EXPECT_EQ(frame->pts, 0);
  int mismatches = 0;
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 322 * 3; ++x) mismatches += frame->data[0][y * frame->linesize[0] + x] != Pattern(0, y, x);
  EXPECT_EQ(mismatches, 0);
  ff::av_frame_free(&frame);
  ff::avcodec_free_context(&dec);
}

}  // namespace

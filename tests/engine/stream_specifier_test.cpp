#include "engine/stream_specifier.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/custom_ffmpeg.h"
#include "engine_fixture.h"
#include "test_contexts.h"

namespace engine_test {
namespace {

using StreamSpecifier = EngineTest;

// Streams: 0 video, 1 audio, 2 audio, 3 subtitle, 4 data, 5 attachment, 6 video.
// Program 7 holds streams 6 and 2.
ContextPtr MixedFile() {
  ContextPtr s = MakeContext({{AVMEDIA_TYPE_VIDEO},
                              {AVMEDIA_TYPE_AUDIO, 2},
                              {AVMEDIA_TYPE_AUDIO, 6},
                              {AVMEDIA_TYPE_SUBTITLE},
                              {AVMEDIA_TYPE_DATA},
                              {AVMEDIA_TYPE_ATTACHMENT},
                              {AVMEDIA_TYPE_VIDEO}});
  AddProgram(s.get(), 7, {6, 2});
  return s;
}

// Which of the streams the specifier picks, as a string of 0/1.
std::string Matches(const AVFormatContext* s, const char* spec) {
  std::string out;
  for (unsigned i = 0; i < s->nb_streams; ++i) {
    std::string message;
    const int r = engine::CheckStreamSpecifier(s, s->streams[i], spec, &message);
    if (r < 0) return "error: " + message;
    out += r ? '1' : '0';
  }
  return out;
}

TEST_F(StreamSpecifier, PicksStreamsByIndexTypeAndProgram) {
  const ContextPtr s = MixedFile();
  struct Case {
    const char* spec;
    const char* expected;
  };
  const Case cases[] = {
      {"", "1111111"},   {"0", "1000000"},   {"6", "0000001"},  {"7", "0000000"},
      {"v", "1000001"},  {"a", "0110000"},   {"s", "0001000"},  {"d", "0000100"},
      {"t", "0000010"},  {"v:0", "1000000"}, {"v:1", "0000001"}, {"a:1", "0010000"},
      {"a:2", "0000000"}, {"p:7", "0010001"}, {"p:7:0", "0000001"}, {"p:7:1", "0010000"},
      {"p:7:2", "0000000"}, {"p:8", "0000000"},
  };
  for (const Case& c : cases) EXPECT_EQ(Matches(s.get(), c.spec), c.expected) << "\"" << c.spec << "\"";
}

TEST_F(StreamSpecifier, RejectsAnythingElse) {
  const ContextPtr s = MixedFile();
  for (const char* bad : {"x", "-1", "1a", "v:", "v:x", "va", "v:1:2", "p", "p:", "p:x",
                          "p:7:", "p:7:x", " 0", "99999999999999999999"})
    EXPECT_EQ(Matches(s.get(), bad), std::string("error: Invalid stream specifier: \"") + bad + "\"")
        << bad;
}

TEST_F(StreamSpecifier, LastMatchingValueWinsPerStream) {
  const ContextPtr s = MixedFile();
  engine::TCustomFFmpeg e;
  e.ParseOptions("-r 25 -r 30 -r:a 44 -r:v:1 60");
  const auto& rates = e.FileOpts().frame_rates;
  EXPECT_EQ(*e.PerStreamValue(rates, s.get(), s->streams[0]), "30");
  EXPECT_EQ(*e.PerStreamValue(rates, s.get(), s->streams[1]), "44");
  EXPECT_EQ(*e.PerStreamValue(rates, s.get(), s->streams[6]), "60");
  EXPECT_EQ(e.PerStreamValue(e.FileOpts().codec_names, s.get(), s->streams[0]), nullptr);
}

TEST_F(StreamSpecifier, MalformedSpecifierRaisesWhenMatched) {
  const ContextPtr s = MixedFile();
  engine::TCustomFFmpeg e;
  e.ParseOptions("-c:v libx264 -c:q mp3");
  try {
    e.PerStreamValue(e.FileOpts().codec_names, s.get(), s->streams[0]);
    ADD_FAILURE() << "no exception";
  } catch (const engine::FFmpegException& x) {
    EXPECT_EQ(std::string(x.what()),
              "check_stream_specifier: Invalid argument / Invalid data found when processing input");
  }
  EXPECT_TRUE(WasLogged(media::llError, "Invalid stream specifier: \"q\""));
  EXPECT_EQ(e.LastErrorText(), "check_stream_specifier: Invalid argument / Invalid data found when processing input");
}

}  // namespace
}  // namespace engine_test

// Stream, channel and metadata maps refer to the inputs opened before the
// output's options are parsed; these tests give the engine real contexts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "engine/custom_ffmpeg.h"
#include "engine_fixture.h"
#include "media/binding/ff_utils.h"
#include "test_contexts.h"

namespace engine_test {
namespace {

using engine::TCustomFFmpeg;

// Input 0: video, stereo audio. Input 1: mono audio.
class MapEngine : public TCustomFFmpeg {
 public:
  MapEngine() {
    owned_.push_back(MakeContext({{AVMEDIA_TYPE_VIDEO}, {AVMEDIA_TYPE_AUDIO, 2}}));
    owned_.push_back(MakeContext({{AVMEDIA_TYPE_AUDIO, 1}}));
    for (const ContextPtr& c : owned_) inputs_.push_back(c.get());
  }
  std::span<AVFormatContext* const> InputContexts() const override { return inputs_; }

 private:
  std::vector<ContextPtr> owned_;
  std::vector<AVFormatContext*> inputs_;
};

using OptionMaps = EngineTest;

std::string Maps(const engine::FileOptions& fo) {
  std::string out;
  for (const engine::StreamMap& m : fo.stream_maps)
    out += media::FormatText("[%s%d:%d sync %d:%d]", m.disabled ? "-" : "", m.file_index,
                             m.stream_index, m.sync_file_index, m.sync_stream_index);
  return out;
}

std::string Error(TCustomFFmpeg& e, const std::string& text) {
  e.SetOptionErrorsFatal(false);
  e.ParseOptions(text);
  const std::string& message = e.LastErrorText();
  return message.substr(0, message.find('\n'));
}

TEST_F(OptionMaps, StreamMapsExpandToSingleStreams) {
  struct Case {
    const char* text;
    const char* maps;
  };
  const Case cases[] = {
      {"-map 0", "[0:0 sync 0:0][0:1 sync 0:1]"},
      {"-map 0:a -map 1", "[0:1 sync 0:1][1:0 sync 1:0]"},
      {"-map 0:v,1:a", "[0:0 sync 1:0]"},
      {"-map 0 -map -0:v", "[-0:0 sync 0:0][0:1 sync 0:1]"},
      {"-map 0:1", "[0:1 sync 0:1]"},
  };
  for (const Case& c : cases) {
    MapEngine e;
    ASSERT_NO_THROW(e.ParseOptions(c.text)) << c.text;
    EXPECT_EQ(Maps(e.FileOpts()), c.maps) << c.text;
  }
}

TEST_F(OptionMaps, BadStreamMapsSayWhy) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"-map 2", "Invalid input file index: 2."},
      {"-map -5", "Invalid input file index: 5."},
      {"-map x", "Invalid stream map \"x\""},
      {"-map 0:s", "Stream map '0:s' matches no streams."},
      {"-map 0:q", "Invalid stream specifier: \"q\""},
      {"-map 0,3", "Invalid sync file index: 3."},
      {"-map 0,1:v", "Sync stream specifier in map 0,1:v does not match any streams."},
  };
  for (const Case& c : cases) {
    MapEngine e;
    EXPECT_EQ(Error(e, c.text), c.message) << c.text;
    EXPECT_TRUE(e.FileOpts().stream_maps.empty()) << c.text;
  }
  TCustomFFmpeg no_inputs;
  EXPECT_EQ(Error(no_inputs, "-map 0"), "Invalid input file index: 0.");
}

TEST_F(OptionMaps, ChannelMapsAreCheckedAgainstTheInputs) {
  MapEngine e;
  e.ParseOptions("-map_channel 0.1.1 -map_channel -1 -map_channel 1.0.0:0.1");
  const auto& maps = e.FileOpts().audio_channel_maps;
  ASSERT_EQ(maps.size(), 3u);
  EXPECT_EQ(maps[0].channel_index, 1);
  EXPECT_EQ(maps[0].out_file_index, -1);
  EXPECT_EQ(maps[1].file_index, -1);
  EXPECT_EQ(maps[2].file_index, 1);
  EXPECT_EQ(maps[2].out_stream_index, 1);

  struct Case {
    const char* text;
    const char* message;
  };
  const Case bad[] = {
      {"-map_channel 0.0.0", "mapchan: stream #0.0 is not an audio stream."},
      {"-map_channel 0.1.2", "mapchan: invalid audio channel #0.1.2"},
      {"-map_channel 3.0.0", "mapchan: invalid input file index: 3"},
      {"-map_channel 0.9.0", "mapchan: invalid input file stream index #0.9"},
      {"-map_channel 0.1", "Syntax error \"0.1\", mapchan usage: [file.stream.channel|-1][:syncfile.syncstream]"},
      {"-map_channel 0.1.0:1", "Syntax error \"0.1.0:1\", mapchan usage: [file.stream.channel|-1][:syncfile.syncstream]"},
      {"-map_channel 0.1.0x", "Syntax error \"0.1.0x\", mapchan usage: [file.stream.channel|-1][:syncfile.syncstream]"},
  };
  for (const Case& c : bad) {
    MapEngine fresh;
    EXPECT_EQ(Error(fresh, c.text), c.message) << c.text;
    EXPECT_TRUE(fresh.FileOpts().audio_channel_maps.empty());
  }
}

TEST_F(OptionMaps, MetadataMapsMarkWhatIsGivenByHand) {
  MapEngine e;
  e.ParseOptions("-map_metadata:s:0 0:g -map_metadata 1:c");
  const auto& fo = e.FileOpts();
  ASSERT_EQ(fo.metadata_map.size(), 2u);
  EXPECT_EQ(fo.metadata_map[0].specifier, "s:0");
  EXPECT_EQ(fo.metadata_map[0].value, "0:g");
  EXPECT_EQ(fo.metadata_map[1].specifier, "");
  EXPECT_EQ(fo.metadata_global_manual + fo.metadata_streams_manual + fo.metadata_chapters_manual, 3);

  MapEngine plain;
  plain.ParseOptions("-map_metadata 0");
  EXPECT_EQ(plain.FileOpts().metadata_global_manual, 1);
  EXPECT_EQ(plain.FileOpts().metadata_streams_manual, 0);

  MapEngine bad;
  EXPECT_EQ(Error(bad, "-map_metadata 0:x"), "Invalid metadata specifier 0:x.");
  EXPECT_EQ(Error(bad, "-map_metadata:z 0"), "Invalid metadata specifier map_metadata:z.");
  EXPECT_EQ(Error(bad, "-map_metadata abc"), "Invalid metadata specifier abc.");
  EXPECT_TRUE(bad.FileOpts().metadata_map.empty());
}

TEST_F(OptionMaps, AttachmentsAndStreamIds) {
  MapEngine e;
  e.ParseOptions("-attach cover.jpg -attach \"font file.ttf\" -streamid 2:33 -streamid 0:-1");
  EXPECT_THAT(e.FileOpts().attachments, ::testing::ElementsAre("cover.jpg", "font file.ttf"));
  EXPECT_THAT(e.FileOpts().streamid_map, ::testing::ElementsAre(-1, 0, 33));

  const std::string syntax = "Invalid value '%s' for option 'streamid', required syntax is 'index:value'";
  for (const char* bad : {"2", "a:1", "1:", "1:2:3"})
    EXPECT_EQ(Error(e, std::string("-streamid ") + bad), media::FormatText(syntax.c_str(), bad)) << bad;
  EXPECT_EQ(Error(e, "-streamid 5000:1"), "Invalid stream index 5000 for option 'streamid', use 0 to 1023");
  EXPECT_EQ(e.FileOpts().streamid_map.size(), 3u);
}

}  // namespace
}  // namespace engine_test

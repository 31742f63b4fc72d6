// Packet dumps: every packet read is described in the log, with its bytes
// when asked for.
#include "engine/transcoder.h"
#include "engine_fixture.h"
#include "sound_files.h"

namespace engine_test {
namespace {

class PacketDumpTest : public EngineTest {
 protected:
  // The debug lines of one run over a short tone with the given options.
  std::string Run(const std::string& options, const std::string& name) {
    const auto dir = SoundScratch("dump");
    // 0x1234 in every sample makes the payload easy to recognise.
    const std::string wav =
        WriteWav(dir / "tone.wav", 8000, 1, 200, [](int, int) { return int16_t(0x1234); });
    engine::TTranscoder engine;
    engine.ParseOptions("-loglevel debug " + options);
    EXPECT_EQ(engine.OpenInput(wav), 0) << engine.LastErrorText();
    engine.ParseOptions("-c:a flac");
    EXPECT_EQ(engine.OpenOutput((dir / (name + ".flac")).string()), 0) << engine.LastErrorText();
    engine.Run();
    EXPECT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
    std::string text;
    for (const LogLine& line : Logged())
      if (line.level == media::llDebug) text += line.text + "\n";
    return text;
  }
};

TEST_F(PacketDumpTest, DumpDescribesPacketsAndHexAddsTheirBytes) {
  const std::string plain = Run("", "none");
  EXPECT_EQ(plain.find("keyframe="), std::string::npos);

  const std::string dumped = Run("-dump", "dump");
  EXPECT_NE(dumped.find("stream #0:"), std::string::npos) << dumped;
  EXPECT_NE(dumped.find("size=400"), std::string::npos) << dumped;
  EXPECT_EQ(dumped.find("34 12 34 12"), std::string::npos);

  const std::string hex = Run("-dump -hex", "hex");
  EXPECT_NE(hex.find("34 12 34 12"), std::string::npos) << hex;
}

}  // namespace
}  // namespace engine_test

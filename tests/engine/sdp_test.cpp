// RTP outputs: the session description a receiver needs is logged.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>

#include "engine/transcoder.h"
#include "engine_fixture.h"
#include "sound_files.h"

namespace engine_test {
namespace {

// A local UDP socket on a free port that takes the streamed packets.
class UdpReceiver {
 public:
  UdpReceiver() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), len) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
      port_ = ntohs(addr.sin_port);
  }
  ~UdpReceiver() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

class SdpTest : public EngineTest {
 protected:
  // The text of the first logged line that starts with "SDP:", or "".
  std::string LoggedSdp() {
    for (const LogLine& line : Logged())
      if (line.text.rfind("SDP:", 0) == 0) return line.text;
    return "";
  }
  std::string Tone() {
    return WriteWav(SoundScratch("sdp") / "tone.wav", 8000, 1, 800,
                    [](int, int i) { return int16_t(6000 * std::sin(i * 0.2)); });
  }
};

TEST_F(SdpTest, RtpOutputLogsItsSessionDescription) {
  UdpReceiver receiver;
  ASSERT_GT(receiver.Port(), 0);
  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(Tone()), 0) << engine.LastErrorText();
  engine.ParseOptions("-f rtp -c:a pcm_mulaw");
  const std::string url = "rtp://127.0.0.1:" + std::to_string(receiver.Port());
  ASSERT_EQ(engine.OpenOutput(url), 0) << engine.LastErrorText();
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  const std::string sdp = LoggedSdp();
  EXPECT_NE(sdp.find("m=audio " + std::to_string(receiver.Port()) + " RTP/AVP 0"),
            std::string::npos)
      << sdp;
  EXPECT_NE(sdp.find("c=IN IP4 127.0.0.1"), std::string::npos) << sdp;
}

TEST_F(SdpTest, FileOutputHasNone) {
  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(Tone()), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:a flac");
  ASSERT_EQ(engine.OpenOutput((SoundScratch("sdp") / "tone.flac").string()), 0)
      << engine.LastErrorText();
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_EQ(LoggedSdp(), "");
}

}  // namespace
}  // namespace engine_test

#include "app_test_support.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "app/settings_file.h"
#include "media/binding/ff_entry_points.h"
#include "wav_file.h"

namespace apptest {

fs::path Scratch(const std::string& name) {
  const char* base = std::getenv("LS_TEST_TMP");
  const fs::path dir = fs::path(base ? base : fs::temp_directory_path().string()) /
                       ("app-" + std::to_string(getpid())) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

fs::path MakeProgramFolder(const std::string& name) {
  const fs::path dir = Scratch(name);
  const fs::path from = app::ExecutableFolder();
  fs::copy_file(from / app::kSettingsFileName, dir / app::kSettingsFileName);
  fs::copy_file(from / "icon.ico", dir / "icon.ico");
  fs::copy(from / "sounds", dir / "sounds", fs::copy_options::recursive);
  return dir;
}

void AppendSettings(const fs::path& folder, const std::vector<std::string>& lines) {
  std::ofstream out(folder / app::kSettingsFileName, std::ios::binary | std::ios::app);
  for (const std::string& line : lines) out << app::DecodeSettingsLine(line) << "\r\n";
}

std::vector<std::string> MakePictures(const fs::path& dir, int count) {
  std::vector<std::string> files;
  for (int i = 0; i < count; ++i) {
    QImage image(160 + 40 * i, 120 + 20 * (i % 2), QImage::Format_RGB32);
    image.fill(QColor::fromHsv((i * 97) % 360, 200, 220));
    QPainter p(&image);
    p.fillRect(10, 10, 40 + 10 * i, 30, Qt::white);
    p.end();
    const bool bmp = i % 2 == 0;
    const fs::path path = dir / ("picture" + std::to_string(i) + (bmp ? ".bmp" : ".jpg"));
    image.save(QString::fromStdString(path.string()), bmp ? "BMP" : "JPG", 90);
    files.push_back(path.string());
  }
  return files;
}

void WriteWav(const fs::path& path, double seconds) {
  const int rate = 44100;
  testwav::WritePcm16(path, rate, 2, uint32_t(seconds * rate), [](int ch, uint32_t i) {
    return int16_t(8000 * ((i / (50 + 20 * ch)) % 2 ? 1 : -1));
  });
}

FileFacts ReadFile(const std::string& path) {
  FileFacts facts;
  AVFormatContext* raw = nullptr;
  if (ff::avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return facts;
  auto closeInput = [](AVFormatContext* c) { ff::avformat_close_input(&c); };
  std::unique_ptr<AVFormatContext, decltype(closeInput)> input(raw, closeInput);
  if (ff::avformat_find_stream_info(input.get(), nullptr) < 0) return facts;
  int video = -1;
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVCodecParameters* par = input->streams[i]->codecpar;
    if (par->codec_type == AVMEDIA_TYPE_AUDIO) ++facts.audioStreams;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO && video < 0) video = int(i);
  }
  if (video < 0) return facts;
  const AVStream* stream = input->streams[video];
  facts.width = stream->codecpar->width;
  facts.height = stream->codecpar->height;
  if (stream->avg_frame_rate.den) facts.frameRate = av_q2d(stream->avg_frame_rate);
  if (!facts.frameRate && stream->r_frame_rate.den) facts.frameRate = av_q2d(stream->r_frame_rate);
  const AVCodec* codec = ff::avcodec_find_decoder(stream->codecpar->codec_id);
  auto freeCodec = [](AVCodecContext* c) { ff::avcodec_free_context(&c); };
  std::unique_ptr<AVCodecContext, decltype(freeCodec)> decoder(ff::avcodec_alloc_context3(codec), freeCodec);
  if (!codec || !decoder || ff::avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0 ||
      ff::avcodec_open2(decoder.get(), codec, nullptr) < 0)
    return facts;
  auto freePacket = [](AVPacket* p) { ff::av_packet_free(&p); };
  auto freeFrame = [](AVFrame* f) { ff::av_frame_free(&f); };
  std::unique_ptr<AVPacket, decltype(freePacket)> packet(ff::av_packet_alloc(), freePacket);
  std::unique_ptr<AVFrame, decltype(freeFrame)> frame(ff::av_frame_alloc(), freeFrame);
  auto drain = [&] {
    while (ff::avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
      ++facts.videoFrames;
      ff::av_frame_unref(frame.get());
    }
  };
  while (ff::av_read_frame(input.get(), packet.get()) >= 0) {
    if (packet->stream_index == video && ff::avcodec_send_packet(decoder.get(), packet.get()) >= 0) drain();
    ff::av_packet_unref(packet.get());
  }
  ff::avcodec_send_packet(decoder.get(), nullptr);
  drain();
  facts.opened = true;
  return facts;
}

}  // namespace apptest

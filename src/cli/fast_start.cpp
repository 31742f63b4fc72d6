// A plain packet copy through the media libraries: timestamps and key-frame
// flags exactly as recorded (the engine's stream copy moves the start and
// drops the frames before it), the mov muxer's own second pass moving the
// index to the front.
#include "cli/fast_start.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_owners.h"
#include "media/binding/ff_utils.h"

namespace cli {
namespace {

struct PacketFree {
  void operator()(AVPacket* p) const { ff::av_packet_free(&p); }
};

uint64_t BigEndian(const unsigned char* p, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = v << 8 | p[i];
  return v;
}

}  // namespace

int64_t CutToWholeFragments(const std::string& recorded) {
  std::error_code ec;
  const uint64_t size = std::filesystem::file_size(recorded, ec);
  std::ifstream in(recorded, std::ios::binary);
  if (ec || !in) return -1;
  // The end of the last box after which the file plays: anything but a
  // fragment's header waiting for its data.
  uint64_t whole = 0;
  for (uint64_t at = 0; at + 8 <= size;) {
    unsigned char head[16];
    in.seekg(std::streamoff(at));
    if (!in.read(reinterpret_cast<char*>(head), 8)) break;
    uint64_t box = BigEndian(head, 4);
    if (box == 1) {  // a 64-bit size follows the type
      if (!in.read(reinterpret_cast<char*>(head + 8), 8)) break;
      box = BigEndian(head + 8, 8);
    } else if (box == 0) {
      box = size - at;  // runs to the end of the file
    }
    if (box < 8 || box > size - at) break;
    at += box;
    if (std::memcmp(head + 4, "moof", 4) != 0) whole = at;
  }
  if (whole == size) return 0;
  std::filesystem::resize_file(recorded, whole, ec);
  return ec ? -1 : int64_t(size - whole);
}

std::string WriteIndexFirst(const std::string& recorded, const std::string& target) {
  AVFormatContext* rawIn = nullptr;
  if (const int ret = ff::avformat_open_input(&rawIn, recorded.c_str(), nullptr, nullptr); ret < 0)
    return media::FormatMediaError("open", ret);
  const media::InputContextPtr in(rawIn);
  if (const int ret = ff::avformat_find_stream_info(in.get(), nullptr); ret < 0)
    return media::FormatMediaError("read", ret);

  AVFormatContext* rawOut = nullptr;
  if (const int ret = ff::avformat_alloc_output_context2(&rawOut, nullptr, nullptr, target.c_str()); ret < 0)
    return media::FormatMediaError("create", ret);
  const media::OutputContextPtr out(rawOut);
  // Tags such as a split show's part tag travel with the file.
  if (const int ret = ff::av_dict_copy(&out->metadata, in->metadata, 0); ret < 0)
    return media::FormatMediaError("copy", ret);
  for (unsigned i = 0; i < in->nb_streams; ++i) {
    AVStream* st = ff::avformat_new_stream(out.get(), nullptr);
    if (!st) return "out of memory";
    if (const int ret = ff::avcodec_parameters_copy(st->codecpar, in->streams[i]->codecpar); ret < 0)
      return media::FormatMediaError("copy", ret);
    st->codecpar->codec_tag = 0;
    st->time_base = in->streams[i]->time_base;
  }
  if (const int ret = ff::avio_open2(&out->pb, target.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr); ret < 0)
    return media::FormatMediaError("open", ret);
  media::DictOwner options;
  ff::av_dict_set(options.Ref(), "movflags", "+faststart", 0);
  if (const int ret = ff::avformat_write_header(out.get(), options.Ref()); ret < 0)
    return media::FormatMediaError("avformat_write_header()", ret);

  const std::unique_ptr<AVPacket, PacketFree> packet(ff::av_packet_alloc());
  if (!packet) return "out of memory";
  for (;;) {
    const int ret = ff::av_read_frame(in.get(), packet.get());
    if (ret == AVERROR_EOF) break;
    if (ret < 0) return media::FormatMediaError("av_read_frame()", ret);
    const AVStream* from = in->streams[packet->stream_index];
    ff::av_packet_rescale_ts(packet.get(), from->time_base, out->streams[packet->stream_index]->time_base);
    packet->pos = -1;
    const int wrote = ff::av_interleaved_write_frame(out.get(), packet.get());
    ff::av_packet_unref(packet.get());
    if (wrote < 0) return media::FormatMediaError("av_interleaved_write_frame()", wrote);
  }
  if (const int ret = ff::av_write_trailer(out.get()); ret < 0)
    return media::FormatMediaError("av_write_trailer()", ret);
  return {};
}

}  // namespace cli

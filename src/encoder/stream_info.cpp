#include "encoder/stream_info.h"

#include <cinttypes>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <vector>

#include "media/binding/ff_entry_points.h"
#include "engine/transcode_records.h"
#include "media/binding/ff_utils.h"

namespace encoder {

namespace {

using Lines = std::vector<std::string>;

struct DispositionName {
  int flag;
  const char* text;
};

constexpr DispositionName kDispositions[] = {
    {AV_DISPOSITION_DEFAULT, " (default)"},
    {AV_DISPOSITION_DUB, " (dub)"},
    {AV_DISPOSITION_ORIGINAL, " (original)"},
    {AV_DISPOSITION_COMMENT, " (comment)"},
    {AV_DISPOSITION_LYRICS, " (lyrics)"},
    {AV_DISPOSITION_KARAOKE, " (karaoke)"},
    {AV_DISPOSITION_FORCED, " (forced)"},
    {AV_DISPOSITION_HEARING_IMPAIRED, " (hearing impaired)"},
    {AV_DISPOSITION_VISUAL_IMPAIRED, " (visual impaired)"},
    {AV_DISPOSITION_CLEAN_EFFECTS, " (clean effects)"},
};

constexpr size_t kMaxMetadataValue = 255;

int64_t ToMicroseconds(int64_t value, AVRational timeBase) {
  if (timeBase.num == kMicroseconds.num && timeBase.den == kMicroseconds.den) return value;
  return ff::av_rescale_q(value, timeBase, kMicroseconds);
}

void AddMetadata(Lines& lines, const AVDictionary* dict, const std::string& prefix) {
  if (!dict) return;
  const AVDictionaryEntry* first = ff::av_dict_get(dict, "", nullptr, AV_DICT_IGNORE_SUFFIX);
  if (!first) return;
  // A language alone is shown in the stream line instead.
  if (std::string_view(first->key) == "language" &&
      !ff::av_dict_get(dict, "", first, AV_DICT_IGNORE_SUFFIX))
    return;
  lines.push_back(prefix + "Metadata:");
  for (const AVDictionaryEntry* e = first; e;
       e = ff::av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX)) {
    if (std::string_view(e->key) == "language") continue;
    std::string value(e->value, strnlen(e->value, kMaxMetadataValue));
    for (char& c : value)
      if (c == '\r') c = ' ';
    lines.push_back(media::FormatText("%s  %-16s: %s", prefix.c_str(), e->key, value.c_str()));
  }
}

std::string CodecText(const AVStream* st) {
  char text[256] = "";
  const engine::CodecContextPtr codec(ff::avcodec_alloc_context3(nullptr));
  if (codec && ff::avcodec_parameters_to_context(codec.get(), st->codecpar) >= 0)
    ff::avcodec_string(text, sizeof text, codec.get(), 0);
  return text;
}

void AddStream(Lines& lines, const AVFormatContext* ctx, int i) {
  const AVStream* st = ctx->streams[i];
  int64_t g = std::gcd(int64_t(st->time_base.num), int64_t(st->time_base.den));
  if (g == 0) g = 1;
  std::string line = media::FormatText("  Stream #%d", i);
  if (ctx->iformat && (ctx->iformat->flags & AVFMT_SHOW_IDS)) line += media::FormatText("[0x%x]", st->id);
  if (const AVDictionaryEntry* lang = ff::av_dict_get(st->metadata, "language", nullptr, 0))
    line += media::FormatText("(%s)", lang->value);
  line += media::FormatText(", %" PRId64 "/%" PRId64, st->time_base.num / g, st->time_base.den / g);
  line += ": " + CodecText(st);

  const AVRational sar = st->sample_aspect_ratio;
  const AVRational codecSar = st->codecpar->sample_aspect_ratio;
  if (sar.num && int64_t(sar.num) * codecSar.den != int64_t(codecSar.num) * sar.den) {
    int darNum = 0, darDen = 0;
    ff::av_reduce(&darNum, &darDen, int64_t(st->codecpar->width) * sar.num,
                  int64_t(st->codecpar->height) * sar.den, 1024 * 1024);
    line += media::FormatText(", SAR %d:%d DAR %d:%d", sar.num, sar.den, darNum, darDen);
  }
  if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
    if (st->avg_frame_rate.num && st->avg_frame_rate.den)
      line += FormatRate(av_q2d(st->avg_frame_rate), "fps");
    if (st->r_frame_rate.num && st->r_frame_rate.den)
      line += FormatRate(av_q2d(st->r_frame_rate), "tbr");
    if (st->time_base.num && st->time_base.den)
      line += FormatRate(1 / av_q2d(st->time_base), "tbn");
  }
  for (const DispositionName& d : kDispositions)
    if (st->disposition & d.flag) line += d.text;
  if (st->start_time != AV_NOPTS_VALUE)
    line += ", start: " + FormatStartTime(st->start_time, st->time_base);
  if (st->duration != AV_NOPTS_VALUE)
    line += ", duration: " + FormatDuration(st->duration, st->time_base);
  lines.push_back(line);
  AddMetadata(lines, st->metadata, "  ");
}

void AddHeader(Lines& lines, const AVFormatContext* ctx, int64_t fileSize) {
  lines.push_back(media::FormatText("File Name: %s", ctx->url ? ctx->url : ""));
  const AVInputFormat* format = ctx->iformat;
  lines.push_back(media::FormatText("Format Name: %s", format && format->name ? format->name : ""));
  if (format && format->long_name && *format->long_name)
    lines.push_back(media::FormatText("Format Long Name: %s", format->long_name));
  lines.push_back("File Size: " + FormatFileSize(fileSize));
  AddMetadata(lines, ctx->metadata, "");
  std::string line = "Duration: " + FormatDuration(ctx->duration);
  if (ctx->start_time != AV_NOPTS_VALUE) line += ", start: " + FormatStartTime(ctx->start_time);
  line += ", bitrate: " + (ctx->bit_rate <= 0
                               ? std::string("N/A")
                               : media::FormatText("%" PRId64 " kb/s", ctx->bit_rate / 1000));
  lines.push_back(line);
}

void AddChapters(Lines& lines, const AVFormatContext* ctx) {
  for (unsigned i = 0; i < ctx->nb_chapters; ++i) {
    const AVChapter* ch = ctx->chapters[i];
    lines.push_back(media::FormatText("Chapter #%u: start %.6f, end %.6f", i,
                                      double(ch->start) * av_q2d(ch->time_base),
                                      double(ch->end) * av_q2d(ch->time_base)));
    AddMetadata(lines, ch->metadata, "  ");
  }
}

}  // namespace

std::string FormatDuration(int64_t value, AVRational timeBase) {
  if (value == AV_NOPTS_VALUE) return "N/A";
  value = ToMicroseconds(value, timeBase);
  const int64_t seconds = value / 1000000;
  const int64_t millis = value % 1000000 * 1000 / 1000000;
  return media::FormatText("%.2d:%.2d:%.2d.%.3d", int(seconds / 3600), int(seconds / 60 % 60),
                           int(seconds % 60), int(millis));
}

std::string FormatStartTime(int64_t value, AVRational timeBase) {
  if (value == AV_NOPTS_VALUE) return "";
  value = ToMicroseconds(value, timeBase);
  // The whole seconds of -0.5 are 0: the sign has to be written on its own.
  const char* sign = value < 0 && value > -1000000 ? "-" : "";
  return media::FormatText("%s%" PRId64 ".%.6" PRId64, sign, value / 1000000,
                           int64_t(std::llabs(value % 1000000)));
}

std::string FormatFileSize(int64_t bytes) {
  if (bytes <= 1024) return media::FormatText("%" PRId64 " Byte", bytes);
  if (bytes <= 1048576) return media::FormatText("%.2f KB", double(bytes) / 1024);
  if (bytes <= 1073741824) return media::FormatText("%.2f MB", double(bytes) / 1048576);
  return media::FormatText("%.2f GB", double(bytes) / 1073741824);
}

std::string FormatRate(double value, const char* unit) {
  const long long v = std::llrint(value * 100);
  if (v % 100) return media::FormatText(", %3.2f %s", value, unit);
  if (v % 100000) return media::FormatText(", %1.0f %s", value, unit);
  return media::FormatText(", %1.0fk %s", value / 1000, unit);
}

int64_t InputFileSize(const AVFormatContext* ctx) {
  const int64_t own = ctx->pb ? ff::avio_size(ctx->pb) : 0;
  if (own > 0) return own;
  std::error_code ec;
  const std::filesystem::path path(ctx->url ? ctx->url : "");
  if (!path.empty() && std::filesystem::exists(path, ec) && !std::filesystem::is_directory(path, ec)) {
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? -1 : int64_t(size);
  }
  return own;
}

std::string StreamInfoText(const AVFormatContext* ctx, int64_t fileSize) {
  Lines lines;
  AddHeader(lines, ctx, fileSize);
  AddChapters(lines, ctx);
  std::vector<bool> shown(ctx->nb_streams, false);
  if (ctx->nb_programs) {
    unsigned listed = 0;
    for (unsigned p = 0; p < ctx->nb_programs; ++p) {
      const AVProgram* program = ctx->programs[p];
      const AVDictionaryEntry* name = ff::av_dict_get(program->metadata, "name", nullptr, 0);
      lines.push_back(media::FormatText("Program %d %s", program->id, name ? name->value : ""));
      AddMetadata(lines, program->metadata, "  ");
      for (unsigned k = 0; k < program->nb_stream_indexes; ++k) {
        const unsigned index = program->stream_index[k];
        if (index >= ctx->nb_streams) continue;
        AddStream(lines, ctx, int(index));
        shown[index] = true;
      }
      listed += program->nb_stream_indexes;
    }
    if (listed < ctx->nb_streams) lines.push_back("No Program");
  }
  for (unsigned i = 0; i < ctx->nb_streams; ++i)
    if (!shown[i]) AddStream(lines, ctx, int(i));
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

}  // namespace encoder

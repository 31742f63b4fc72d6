// Handlers that pick streams and fill the per-file records: stream maps,
// audio channel maps, metadata maps, attachments and stream ids.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/custom_ffmpeg.h"
#include "engine/option_handlers.h"
#include "engine/stream_specifier.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

int Fail(TCustomFFmpeg& engine, const std::string& message) {
  engine.SetOptionMessage(message);
  return AVERROR(EINVAL);
}

// A whole decimal number at *p (a sign allowed); *p moves past it.
bool ReadNumber(const char** p, int* value) {
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(*p, &end, 10);
  if (end == *p || errno != 0 || n < INT_MIN || n > INT_MAX) return false;
  *value = static_cast<int>(n);
  *p = end;
  return true;
}

// Moves past `c` when it is next; never past the end of the text.
bool Expect(const char** p, char c) {
  if (**p != c) return false;
  ++*p;
  return true;
}

// "file[:specifier]": the file index and the specifier text.
bool SplitFileAndSpecifier(const std::string& text, int* file, std::string* specifier) {
  const char* p = text.c_str();
  if (!ReadNumber(&p, file)) return false;
  if (*p == '\0') {
    specifier->clear();
    return true;
  }
  if (*p != ':') return false;
  *specifier = p + 1;
  return true;
}

int StreamChannels(const AVStream* st) { return st->codecpar->ch_layout.nb_channels; }

}  // namespace

// "[-]file[:specifier][,syncfile[:syncspecifier]]": one map per matching
// stream; a leading "-" disables the maps given so far that it matches.
int OptMap(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions* file) {
  const auto inputs = engine.InputContexts();
  std::string text(arg);
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) text.erase(0, 1);

  int sync_file = -1;
  int sync_stream = -1;
  if (const auto comma = text.find(','); comma != std::string::npos) {
    std::string sync_spec;
    if (!SplitFileAndSpecifier(text.substr(comma + 1), &sync_file, &sync_spec))
      return Fail(engine, media::FormatText("Invalid stream map \"%s\"", arg));
    text.erase(comma);
    if (sync_file < 0 || std::size_t(sync_file) >= inputs.size())
      return Fail(engine, media::FormatText("Invalid sync file index: %d.", sync_file));
    const AVFormatContext* s = inputs[sync_file];
    std::string message;
    for (unsigned i = 0; i < s->nb_streams; ++i) {
      const int r = CheckStreamSpecifier(s, s->streams[i], sync_spec.c_str(), &message);
      if (r < 0) return Fail(engine, message);
      if (r > 0) {
        sync_stream = int(i);
        break;
      }
    }
    if (sync_stream < 0)
      return Fail(engine, media::FormatText(
                              "Sync stream specifier in map %s does not match any streams.", arg));
  }

  int file_index = 0;
  std::string spec;
  if (!SplitFileAndSpecifier(text, &file_index, &spec))
    return Fail(engine, media::FormatText("Invalid stream map \"%s\"", arg));
  if (file_index < 0 || std::size_t(file_index) >= inputs.size())
    return Fail(engine, media::FormatText("Invalid input file index: %d.", file_index));
  const AVFormatContext* s = inputs[file_index];

  bool matched = false;
  std::string message;
  for (unsigned i = 0; i < s->nb_streams; ++i) {
    const int r = CheckStreamSpecifier(s, s->streams[i], spec.c_str(), &message);
    if (r < 0) return Fail(engine, message);
    if (r == 0) continue;
    matched = true;
    if (negative) {
      for (StreamMap& m : file->stream_maps)
        if (m.file_index == file_index && m.stream_index == int(i)) m.disabled = 1;
    } else {
      StreamMap m;
      m.file_index = file_index;
      m.stream_index = int(i);
      m.sync_file_index = sync_file >= 0 ? sync_file : file_index;
      m.sync_stream_index = sync_stream >= 0 ? sync_stream : int(i);
      file->stream_maps.push_back(m);
    }
  }
  if (!matched)
    return Fail(engine, media::FormatText("Stream map '%s' matches no streams.", arg));
  return 0;
}

// "file.stream.channel" or "-1" (a silent channel), optionally followed by
// ":outfile.outstream".
int OptMapChannel(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions* file) {
  const auto inputs = engine.InputContexts();
  const std::string usage = media::FormatText(
      "Syntax error \"%s\", mapchan usage: [file.stream.channel|-1][:syncfile.syncstream]", arg);
  AudioChannelMap m;
  const char* p = arg;
  int first = 0;
  if (!ReadNumber(&p, &first)) return Fail(engine, usage);
  if (first == -1 && (*p == '\0' || *p == ':')) {
    m.file_index = m.stream_index = m.channel_index = -1;
  } else {
    m.file_index = first;
    if (!Expect(&p, '.') || !ReadNumber(&p, &m.stream_index) || !Expect(&p, '.') ||
        !ReadNumber(&p, &m.channel_index))
      return Fail(engine, usage);
  }
  if (*p == ':') {
    ++p;
    if (!ReadNumber(&p, &m.out_file_index) || !Expect(&p, '.') ||
        !ReadNumber(&p, &m.out_stream_index) ||
        m.out_file_index < 0 || m.out_stream_index < 0)
      return Fail(engine, usage);
  }
  if (*p != '\0') return Fail(engine, usage);

  if (m.file_index != -1) {
    if (m.file_index < 0 || std::size_t(m.file_index) >= inputs.size())
      return Fail(engine, media::FormatText("mapchan: invalid input file index: %d", m.file_index));
    const AVFormatContext* s = inputs[m.file_index];
    if (m.stream_index < 0 || unsigned(m.stream_index) >= s->nb_streams)
      return Fail(engine, media::FormatText("mapchan: invalid input file stream index #%d.%d",
                                            m.file_index, m.stream_index));
    const AVStream* st = s->streams[m.stream_index];
    if (st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
      return Fail(engine, media::FormatText("mapchan: stream #%d.%d is not an audio stream.",
                                            m.file_index, m.stream_index));
    if (m.channel_index < 0 || m.channel_index >= StreamChannels(st))
      return Fail(engine, media::FormatText("mapchan: invalid audio channel #%d.%d.%d",
                                            m.file_index, m.stream_index, m.channel_index));
  }
  file->audio_channel_maps.push_back(m);
  return 0;
}

// "-map_metadata[:outspec] infile[:inspec]". The specifiers are checked
// when the output is opened; here the maps are kept and the kinds of
// metadata they replace are marked as given by hand.
int OptMapMetadata(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions* file) {
  const char* p = arg;
  int input = 0;
  if (!ReadNumber(&p, &input) || (*p != '\0' && *p != ':'))
    return Fail(engine, media::FormatText("Invalid metadata specifier %s.", arg));
  const char in_type = *p == ':' && p[1] ? p[1] : 'g';
  const char* colon = std::strchr(opt, ':');
  const char out_type = colon && colon[1] ? colon[1] : 'g';
  for (const char type : {in_type, out_type}) {
    if (type != 'g' && type != 's' && type != 'c' && type != 'p')
      return Fail(engine, media::FormatText("Invalid metadata specifier %s.", type == in_type ? arg : opt));
  }
  for (const char type : {in_type, out_type}) {
    if (type == 'g') file->metadata_global_manual = 1;
    if (type == 's') file->metadata_streams_manual = 1;
    if (type == 'c') file->metadata_chapters_manual = 1;
  }
  file->metadata_map.push_back({colon ? std::string(colon + 1) : std::string(), std::string(arg)});
  return 0;
}

int OptAttach(TCustomFFmpeg&, const char*, const char* arg, FileOptions* file) {
  file->attachments.emplace_back(arg);
  return 0;
}

// "index:value": the id of the output stream with that index.
int OptStreamId(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions* file) {
  // Bounded so that a typo cannot make the map huge.
  constexpr int kMaxStreams = 1024;
  const std::string syntax = media::FormatText(
      "Invalid value '%s' for option '%s', required syntax is 'index:value'", arg, opt);
  const char* p = arg;
  int index = 0;
  int value = 0;
  if (!ReadNumber(&p, &index) || !Expect(&p, ':') || !ReadNumber(&p, &value) || *p != '\0')
    return Fail(engine, syntax);
  if (index < 0 || index >= kMaxStreams)
    return Fail(engine, media::FormatText("Invalid stream index %d for option '%s', use 0 to %d",
                                          index, opt, kMaxStreams - 1));
  if (file->streamid_map.size() <= std::size_t(index)) file->streamid_map.resize(index + 1, 0);
  file->streamid_map[index] = value;
  return 0;
}

}  // namespace engine

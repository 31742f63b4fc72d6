#include "engine/stream_specifier.h"

#include <charconv>
#include <cstring>

#include "media/binding/ff_utils.h"

namespace engine {
namespace {

// A non-negative decimal number filling [p, end) exactly.
bool ParseIndex(const char* p, const char* end, unsigned* value) {
  if (p == end) return false;
  auto [last, ec] = std::from_chars(p, end, *value);
  return ec == std::errc() && last == end;
}

bool TypeOfLetter(char c, AVMediaType* type) {
  switch (c) {
    case 'v': *type = AVMEDIA_TYPE_VIDEO; return true;
    case 'a': *type = AVMEDIA_TYPE_AUDIO; return true;
    case 's': *type = AVMEDIA_TYPE_SUBTITLE; return true;
    case 'd': *type = AVMEDIA_TYPE_DATA; return true;
    case 't': *type = AVMEDIA_TYPE_ATTACHMENT; return true;
    default: return false;
  }
}

AVMediaType TypeOf(const AVStream* st) {
  return st->codecpar ? st->codecpar->codec_type : AVMEDIA_TYPE_UNKNOWN;
}

}  // namespace

int CheckStreamSpecifier(const AVFormatContext* s, const AVStream* st, const char* spec,
                         std::string* message) {
  const char* end = spec + std::strlen(spec);
  unsigned number = 0;
  AVMediaType type;
  if (spec == end) return 1;
  if (ParseIndex(spec, end, &number)) return st->index >= 0 && unsigned(st->index) == number;
  if (TypeOfLetter(spec[0], &type) && (spec[1] == '\0' || spec[1] == ':')) {
    if (TypeOf(st) != type) {
      if (spec[1] == '\0' || ParseIndex(spec + 2, end, &number)) return 0;
    } else if (spec[1] == '\0') {
      return 1;
    } else if (ParseIndex(spec + 2, end, &number)) {
      // Count the streams of the same type before this one.
      unsigned before = 0;
      for (unsigned i = 0; i < s->nb_streams && s->streams[i] != st; ++i)
        if (TypeOf(s->streams[i]) == type) ++before;
      return before == number;
    }
  } else if (spec[0] == 'p' && spec[1] == ':') {
    const char* id_begin = spec + 2;
    const char* id_end = std::strchr(id_begin, ':');
    if (!id_end) id_end = end;
    unsigned program_id = 0;
    unsigned nth = 0;
    const bool has_nth = id_end != end;
    if (ParseIndex(id_begin, id_end, &program_id) &&
        (!has_nth || ParseIndex(id_end + 1, end, &nth))) {
      for (unsigned i = 0; i < s->nb_programs; ++i) {
        const AVProgram* program = s->programs[i];
        if (program->id < 0 || unsigned(program->id) != program_id) continue;
        if (has_nth)
          return nth < program->nb_stream_indexes &&
                 program->stream_index[nth] == unsigned(st->index);
        for (unsigned j = 0; j < program->nb_stream_indexes; ++j)
          if (program->stream_index[j] == unsigned(st->index)) return 1;
        return 0;
      }
      return 0;
    }
  }
  if (message) *message = media::FormatText("Invalid stream specifier: \"%s\"", spec);
  return AVERROR(EINVAL);
}

}  // namespace engine

#include "app/media_probe.h"

#include <memory>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_utils.h"

namespace app {

std::string ProbeAudioFile(const std::string& path) {
  AVFormatContext* raw = nullptr;
  int ret = ff::avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
  if (ret < 0)
    return "The sound file \"" + path + "\" cannot be read: " + media::MediaErrorText(ret);
  const auto close = [](AVFormatContext* c) { ff::avformat_close_input(&c); };
  std::unique_ptr<AVFormatContext, decltype(close)> context(raw, close);
  ret = ff::avformat_find_stream_info(context.get(), nullptr);
  if (ret < 0)
    return "The sound file \"" + path + "\" cannot be read: " + media::MediaErrorText(ret);
  for (unsigned i = 0; i < context->nb_streams; ++i)
    if (context->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) return {};
  return "The sound file \"" + path + "\" holds no sound.";
}

}  // namespace app

#include "cli/subtitle_cues.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace cli {

namespace {

std::string Clock(long long ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld,%03lld", ms / 3600000, ms / 60000 % 60,
                ms / 1000 % 60, ms % 1000);
  return text;
}

}  // namespace

SubtitleForm SubtitleFormFor(const std::string& output) {
  const size_t dot = output.rfind('.');
  std::string ext = dot == std::string::npos ? "" : output.substr(dot + 1);
  for (char& ch : ext) ch = char(std::tolower(static_cast<unsigned char>(ch)));
  if (ext == "mkv") return SubtitleForm::SubRip;
  if (ext == "mp4" || ext == "mov") return SubtitleForm::MovText;
  return SubtitleForm::None;
}

std::vector<Cue> CaptionCues(const slideshow::Show& show, const slideshow::ShowPlan& plan) {
  const slideshow::FrameRate& rate = show.Settings.Rate;
  auto ms = [&](double frames) {
    return std::llround(frames * 1000.0 * rate.Denominator / std::max(1, rate.Numerator));
  };
  auto transition = [&](size_t t) { return t < plan.Transitions.size() ? plan.Transitions[t].Frames : 0; };
  std::vector<Cue> cues;
  long long first = 0;  // first frame of the transition into slide i
  for (size_t i = 0; i < show.Slides.size() && i < plan.HoldFrames.size(); ++i) {
    const int in = transition(i), hold = plan.HoldFrames[i], out = transition(i + 1);
    if (!show.Slides[i].Caption.empty())
      cues.push_back({ms(first + in / 2.0), ms(first + in + hold + out / 2.0), show.Slides[i].Caption});
    first += in + hold;
  }
  return cues;
}

std::string SubRipText(const std::vector<Cue>& cues) {
  std::string out;
  int number = 0;
  for (const Cue& cue : cues) {
    std::string text;
    for (char c : encoder::KeepLiteral(cue.text)) {
      if (c == '\r') continue;
      if (c == '\n' && (text.empty() || text.back() == '\n')) continue;
      text += c;
    }
    while (!text.empty() && text.back() == '\n') text.pop_back();
    if (text.empty()) continue;
    out += std::to_string(++number) + "\n" + Clock(cue.startMs) + " --> " + Clock(cue.endMs) + "\n" +
           text + "\n\n";
  }
  return out;
}

}  // namespace cli

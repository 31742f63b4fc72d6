#include "slideshow/show.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "effects/effect.h"

namespace slideshow {

namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// Rows whose name is text, in any case.
std::vector<int> RowsNamed(std::string_view text) {
  std::vector<int> rows;
  for (int i = 0; i < effects::kEffectCount; ++i)
    if (SameLetters(effects::Effects[i].Name, text)) rows.push_back(i + 1);
  return rows;
}

std::optional<EffectChoice> Refuse(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return std::nullopt;
}

}  // namespace

std::optional<EffectChoice> ParseEffectChoice(std::string_view text, std::string* error) {
  if (SameLetters(text, "random")) return EffectChoice{EffectMode::Random, 0};
  if (SameLetters(text, "sequential")) return EffectChoice{EffectMode::Sequential, 0};
  if (SameLetters(text, "none")) return EffectChoice{EffectMode::None, 0};
  int row = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), row);
  if (!text.empty() && ec == std::errc() && end == text.data() + text.size()) {
    if (row >= 1 && row <= effects::kEffectCount) return EffectChoice{EffectMode::Fixed, row};
    return Refuse(error, "an effect row from 1 to " + std::to_string(effects::kEffectCount));
  }
  const std::vector<int> rows = RowsNamed(text);
  if (rows.size() == 1) return EffectChoice{EffectMode::Fixed, rows[0]};
  if (rows.size() > 1)
    return Refuse(error, std::to_string(rows[0]) + " or " + std::to_string(rows[1]) +
                             " (two effects share this name)");
  return Refuse(error, "\"random\", \"sequential\", \"none\", a row from 1 to " +
                           std::to_string(effects::kEffectCount) +
                           " or an effect's name (lanternslide-render --list-effects)");
}

std::string EffectChoiceText(const EffectChoice& choice) {
  switch (choice.Mode) {
    case EffectMode::Random:
      return "random";
    case EffectMode::Sequential:
      return "sequential";
    case EffectMode::None:
      return "none";
    case EffectMode::Fixed:
      break;
  }
  if (choice.Number < 1 || choice.Number > effects::kEffectCount)
    return std::to_string(choice.Number);
  const std::string name = effects::Effects[choice.Number - 1].Name;
  return RowsNamed(name).size() == 1 ? name : std::to_string(choice.Number);
}

ResolvedSlide Resolve(const ShowSettings& settings, const Slide& slide) {
  ResolvedSlide r;
  r.Picture = slide.Picture;
  r.Hold = slide.Hold.value_or(settings.Hold);
  r.Transition = slide.Transition.value_or(settings.Transition);
  r.Effect = slide.Effect.value_or(settings.Effect);
  const auto [fillX, fillY] = slide.FillAt.value_or(std::pair(settings.FillX, settings.FillY));
  r.Look.framing = {slide.Fit.value_or(settings.Fit), slide.Background.value_or(settings.Background),
                    fillX, fillY};
  r.Look.motion = slide.Motion.value_or(settings.Motion);
  r.Look.motion.easing = slide.Easing.value_or(settings.Motion.easing);
  r.Look.caption = slide.Caption;
  r.Look.captionStyle = settings.Captions;
  return r;
}

bool UsesRandomEffects(const Show& show) {
  if (show.Settings.Effect.Mode == EffectMode::Random) return true;
  return std::any_of(show.Slides.begin(), show.Slides.end(), [&](const Slide& s) {
    return Resolve(show.Settings, s).Effect.Mode == EffectMode::Random;
  });
}

}  // namespace slideshow

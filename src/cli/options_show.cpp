// Show files on the command line: a show to render (a FILE.toml among the
// arguments, or --show FILE), the show a command line describes written
// out (--write-show FILE), and the seed of the random effects (--seed N).
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <random>
#include <tuple>
#include <utility>

#include "cli/option_groups.h"
#include "slideshow/show_file.h"
#include "slideshow/text_values.h"

namespace cli {
namespace {

// The basic options that set a show-wide value; given on the command line,
// they win over the show file's.
constexpr const char* kShowWideOptions[] = {
    "--size",  "--rate",  "--picture-delay",          "--transition-delay",    "--effect",
    "--random", "--audio", "--break-when-no-pictures", "--no-exif-orientation", "--smooth-fit", "--scaling",
    // the look
    "--fit", "--background", "--fill-at", "--motion", "--easing", "--caption-font",
    "--caption-size", "--caption-colour", "--caption-outline", "--caption-outline-colour",
    "--caption-place", "--caption-margin", "--caption-fade", "--no-caption-shadow",
    // the music
    "--music", "--fade-in", "--fade-out", "--crossfade", "--end-fade", "--fit-to-music", "--min-hold",
    "--sync", "--loudness", "--every-frame"};

constexpr std::pair<const char*, slideshow::MusicSync> kSyncNames[] = {
    {"none", slideshow::MusicSync::None},
    {"beats", slideshow::MusicSync::Beats},
    {"onsets", slideshow::MusicSync::Onsets}};

slideshow::MusicSync SyncNamed(const std::string& name) {
  for (const auto& [text, sync] : kSyncNames)
    if (name == text) return sync;
  return slideshow::MusicSync::None;
}

std::string SyncName(slideshow::MusicSync sync) {
  for (const auto& [text, s] : kSyncNames)
    if (s == sync) return text;
  return "none";
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool IsShowFileName(const std::string& path) {
  if (path.size() < 5) return false;
  std::string end = path.substr(path.size() - 5);
  std::transform(end.begin(), end.end(), end.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return end == ".toml";
}

bool Given(const RenderOptions& o, const char* option) { return o.Show.Given.count(option) > 0; }

// --captions: one a line, picture by picture, over the show's own.
void TakeCaptions(const std::vector<std::string>& captions, slideshow::Show& show) {
  for (size_t i = 0; i < show.Slides.size() && i < captions.size(); ++i)
    show.Slides[i].Caption = captions[i];
}

// Takes the show file out of the picture arguments.
void FindShowFile(RenderOptions& o) {
  std::vector<std::string> pictures;
  for (std::string& p : o.Pictures) {
    if (!IsShowFileName(p)) {
      pictures.push_back(std::move(p));
      continue;
    }
    if (!o.Show.File.empty())
      throw UsageError("two shows, " + Quoted(o.Show.File) + " and " + Quoted(p) +
                       ": render one at a time");
    o.Show.File = std::move(p);
  }
  o.Pictures = std::move(pictures);
  if (!o.Show.File.empty() && !o.Pictures.empty())
    throw UsageError("a show file takes no pictures besides (got " + Quoted(o.Pictures[0]) +
                     "); add them to " + Quoted(o.Show.File) + " as [[slide]] tables");
}

void OverrideLook(const RenderOptions& o, slideshow::ShowSettings& s) {
  const LookOptions& look = o.Look;
  slideshow::CaptionStyle& c = s.Captions;
  if (Given(o, "--fit")) s.Fit = look.Fit;
  if (Given(o, "--background")) s.Background = look.Background;
  if (Given(o, "--fill-at")) s.FillX = look.FillX, s.FillY = look.FillY;
  // --motion keeps the file's easing unless --easing is given too.
  if (Given(o, "--motion")) {
    const slideshow::Easing easing = s.Motion.easing;
    s.Motion = look.Motion;
    s.Motion.easing = easing;
  }
  if (Given(o, "--easing")) s.Motion.easing = look.Motion.easing;
  if (Given(o, "--caption-font")) c.font = look.Captions.font;
  if (Given(o, "--caption-size")) c.size = look.Captions.size;
  if (Given(o, "--caption-colour")) c.colour = look.Captions.colour;
  if (Given(o, "--caption-outline")) c.outline = look.Captions.outline;
  if (Given(o, "--caption-outline-colour")) c.outlineColour = look.Captions.outlineColour;
  if (Given(o, "--caption-place")) c.place = look.Captions.place;
  if (Given(o, "--caption-margin")) c.margin = look.Captions.margin;
  if (Given(o, "--caption-fade")) c.fade = look.Captions.fade;
  if (Given(o, "--no-caption-shadow")) c.shadow = look.Captions.shadow;
}

void OverrideMusic(const RenderOptions& o, slideshow::MusicSettings& m) {
  const slideshow::MusicSettings line = ShowFromOptions(o).Settings.Music;
  if (Given(o, "--fade-in")) m.FadeIn = line.FadeIn;
  if (Given(o, "--fade-out")) m.FadeOut = line.FadeOut;
  if (Given(o, "--crossfade")) m.Crossfade = line.Crossfade;
  if (Given(o, "--end-fade")) m.EndFade = line.EndFade;
  if (Given(o, "--fit-to-music")) m.FitToMusic = line.FitToMusic;
  if (Given(o, "--min-hold")) m.MinHold = line.MinHold;
  if (Given(o, "--sync")) m.Sync = line.Sync;
  if (Given(o, "--loudness")) m.Loudness = line.Loudness;
}

// The command line's show-wide values over the file's, where given.
void Override(const RenderOptions& o, slideshow::ShowSettings& s) {
  const slideshow::ShowSettings line = ShowFromOptions(o).Settings;
  if (Given(o, "--size")) s.Width = line.Width, s.Height = line.Height;
  if (Given(o, "--rate")) s.Rate = line.Rate;
  if (Given(o, "--picture-delay")) s.Hold = line.Hold;
  if (Given(o, "--transition-delay")) s.Transition = line.Transition;
  if (Given(o, "--effect") || Given(o, "--random")) s.Effect = line.Effect;
  // The command line's sound files are the whole playlist.
  if (Given(o, "--audio") || Given(o, "--music")) s.Sound = line.Sound;
  if (Given(o, "--break-when-no-pictures")) s.End = line.End;
  if (Given(o, "--no-exif-orientation")) s.ExifOrientation = line.ExifOrientation;
  if (Given(o, "--smooth-fit") || Given(o, "--scaling")) s.Scale = line.Scale;
  if (Given(o, "--every-frame")) s.EveryFrame = line.EveryFrame;
  OverrideLook(o, s);
  OverrideMusic(o, s.Music);
}

// The playlist and its settings as the music group reads them: the first
// file as --audio, the others as --music.
void TakeMusicValues(const slideshow::ShowSettings& s, RenderOptions& o) {
  MusicOptions& m = o.Music;
  o.Audio = s.Sound.empty() ? "" : s.Sound[0].File;
  m.Files.clear();
  m.FileFades.clear();
  for (size_t i = 0; i < s.Sound.size(); ++i) {
    if (i > 0) m.Files.push_back(s.Sound[i].File);
    m.FileFades.push_back({s.Sound[i].FadeIn, s.Sound[i].FadeOut});
  }
  m.FadeIn = s.Music.FadeIn;
  m.FadeOut = s.Music.FadeOut;
  m.Crossfade = s.Music.Crossfade;
  m.EndFade = s.Music.EndFade;
  m.FitToMusic = s.Music.FitToMusic;
  m.MinHold = s.Music.MinHold;
  m.Sync = SyncName(s.Music.Sync);
  m.Loudness = s.Music.Loudness;
}

// The run's values as the rest of the renderer reads them.
void TakeShowValues(RenderOptions& o) {
  const slideshow::Show& show = o.Show.Composed;
  const slideshow::ShowSettings& s = show.Settings;
  o.Pictures.clear();
  for (const slideshow::Slide& slide : show.Slides) o.Pictures.push_back(slide.Picture);
  o.FrameSize = std::to_string(s.Width) + "x" + std::to_string(s.Height);
  o.FrameRate = std::to_string(s.Rate.Numerator) + "/" + std::to_string(s.Rate.Denominator);
  TakeMusicValues(s, o);
  o.BreakWhenNoPictures = s.End == slideshow::ShowEnd::Pictures;
  o.ExifOrientation = s.ExifOrientation;
  o.SmoothFit = s.Scale == slideshow::Scaling::Smooth;
  o.Speed.HeldOnce = !s.EveryFrame;
}

}  // namespace

slideshow::Show ShowToRender(const RenderOptions& o) {
  return o.Show.Composed.Slides.empty() ? ShowFromOptions(o) : o.Show.Composed;
}

slideshow::Show ShowFromOptions(const RenderOptions& o) {
  slideshow::Show show;
  slideshow::ShowSettings& s = show.Settings;
  const size_t x = o.FrameSize.find('x');
  s.Width = slideshow::ReadInteger(o.FrameSize.substr(0, x)).value_or(s.Width);
  s.Height = slideshow::ReadInteger(o.FrameSize.substr(x + 1)).value_or(s.Height);
  const size_t slash = o.FrameRate.find('/');
  s.Rate.Numerator = slideshow::ReadInteger(o.FrameRate.substr(0, slash)).value_or(30);
  if (slash != std::string::npos)
    s.Rate.Denominator = slideshow::ReadInteger(o.FrameRate.substr(slash + 1)).value_or(1);
  // Read as the window reads its fields, so the frame counts are the same.
  s.Hold = slideshow::ReadDecimal(o.PictureDelay, '.').value_or(s.Hold);
  s.Transition = slideshow::ReadDecimal(o.TransitionDelay, '.').value_or(s.Transition);
  using slideshow::EffectMode;
  if (o.Effect > 0) s.Effect = {EffectMode::Fixed, o.Effect};
  else s.Effect.Mode = o.RandomEffects ? EffectMode::Random : EffectMode::Sequential;
  if (!o.Audio.empty()) s.Sound.push_back({o.Audio, {}, {}});
  for (const std::string& f : o.Music.Files) s.Sound.push_back({f, {}, {}});
  const MusicOptions& m = o.Music;
  // Fades of single files, which only a show file gives.
  for (size_t i = 0; i < s.Sound.size() && i < m.FileFades.size(); ++i)
    std::tie(s.Sound[i].FadeIn, s.Sound[i].FadeOut) = m.FileFades[i];
  s.Music = {m.FadeIn, m.FadeOut,     m.Crossfade,        m.EndFade,
             m.FitToMusic, m.MinHold, SyncNamed(m.Sync), m.Loudness};
  const LookOptions& look = o.Look;
  s.Fit = look.Fit;
  s.Background = look.Background;
  s.FillX = look.FillX;
  s.FillY = look.FillY;
  s.Motion = look.Motion;
  s.Captions = look.Captions;
  s.End = o.BreakWhenNoPictures ? slideshow::ShowEnd::Pictures : slideshow::ShowEnd::Sound;
  s.ExifOrientation = o.ExifOrientation;
  s.Scale = o.SmoothFit ? slideshow::Scaling::Smooth : slideshow::Scaling::Nearest;
  s.Seed = o.Show.Seed;
  s.EveryFrame = !o.Speed.HeldOnce;
  for (const std::string& p : o.Pictures) show.Slides.emplace_back().Picture = p;
  TakeCaptions(look.CaptionTexts, show);
  return show;
}

void AddShowOptions(CLI::App& app, CommandLine& cl) {
  ShowOptions& show = cl.options.Show;
  app.add_option_function<std::string>("--show", [&show](const std::string& v) {
       if (v.empty()) throw UsageError("--show: give the show file to render");
       show.File = v;
     })->allow_extra_args(false);
  app.add_option_function<std::string>("--write-show", [&show](const std::string& v) {
       if (v.empty()) throw UsageError("--write-show: give the show file to write");
       show.WriteTo = v;
     })->allow_extra_args(false);
  app.add_option_function<std::string>("--seed", [&show](const std::string& v) {
       uint32_t n = 0;
       const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
       if (v.empty() || ec != std::errc() || end != v.data() + v.size())
         throw UsageError("--seed " + Quoted(v) + ": give a whole number from 0 to 4294967295");
       show.Seed = n;
     })->allow_extra_args(false);
  // Which show-wide values the command line names, once it is read.
  app.parse_complete_callback([&app, &cl] {
    for (const char* name : kShowWideOptions)
      if (const CLI::Option* option = app.get_option_no_throw(name); option && option->count() > 0)
        cl.options.Show.Given.insert(name);
  });
}

void SettleShowOptions(CommandLine& cl) {
  RenderOptions& o = cl.options;
  ShowOptions& show = o.Show;
  FindShowFile(o);
  if (!show.WriteTo.empty()) {
    if (!o.Output.empty())
      throw UsageError("--write-show writes the show and renders nothing; leave out -o " +
                       Quoted(o.Output) + " (render the show file afterwards)");
    cl.command = Command::WriteShow;
  }
  if (show.File.empty()) {
    if (o.Pictures.empty() && !o.Speed.JoinParts.empty())
      throw UsageError("--join: no pictures; name the show's pictures or show file before --join, "
                       "whose values up to the next option are the parts");
    if (o.Pictures.empty())
      throw UsageError("no pictures: name them after the options or with --list FILE");
    show.Composed = ShowFromOptions(o);
  } else {
    try {
      show.Composed = slideshow::ReadShowFile(show.File);
    } catch (const slideshow::ShowFileError& e) {
      throw UsageError(e.what());
    }
    Override(o, show.Composed.Settings);
    TakeCaptions(o.Look.CaptionTexts, show.Composed);
    if (show.Seed) show.Composed.Settings.Seed = show.Seed;
  }
  slideshow::ShowSettings& s = show.Composed.Settings;
  // A seed of its own for a show that draws effects, told to the user, so a
  // video they liked can be made again.
  if (!s.Seed && slideshow::UsesRandomEffects(show.Composed)) {
    s.Seed = std::random_device{}();
    show.SeedDrawn = true;
  }
  TakeShowValues(o);
  const bool anyCaption = std::any_of(show.Composed.Slides.begin(), show.Composed.Slides.end(),
                                      [](const slideshow::Slide& slide) { return !slide.Caption.empty(); });
  if (o.Look.Subtitles && !anyCaption)
    throw UsageError("--subtitles: no captions to put in a subtitle stream; give them with --captions FILE"
                     " or as caption keys of the show file's slides");
}

}  // namespace cli

// The show file: what it reads, what it refuses and how it says so, and
// that writing then reading gives the same show.
#include "slideshow/show_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "test_pictures.h"

namespace {

using namespace slideshow;
namespace fs = std::filesystem;

TEST(ShowFileTest, WritingThenReadingGivesTheSameShow) {
  Show show;
  ShowSettings& s = show.Settings;
  s.Width = 1280;
  s.Height = 720;
  s.Rate = {30000, 1001};
  s.Hold = 1.1L;
  s.Transition = 0.35L;
  s.Effect = {EffectMode::Sequential, 0};
  s.Seed = 4294967295u;
  s.Scale = Scaling::Smooth;
  s.Sound = {{"/music/a \"quoted\" song.mp3"}, {"/show/b.ogg", 0.0, 2.5}};
  s.End = ShowEnd::Sound;
  s.ExifOrientation = false;
  s.EveryFrame = true;
  show.Slides = {{"/show/photos/one.jpg", 0.05L, {}, EffectChoice{EffectMode::Fixed, 5}},
                 {"/elsewhere/tab\there\\é.png", {}, 86400.0L, EffectChoice{EffectMode::None, 0}},
                 // Rows 18 and 33 share a name: written as the number.
                 {"/show/x.bmp", 3.0L, 0.1L, EffectChoice{EffectMode::Fixed, 33}},
                 {"/show/y.bmp", {}, {}, EffectChoice{EffectMode::Random, 0}}};
  const std::string text = ShowFileText(show, "/show");
  EXPECT_NE(text.find("picture = \"photos/one.jpg\""), std::string::npos) << text;
  EXPECT_EQ(ParseShowText(text, "show.toml", "/show"), show) << text;

  // Left out, everything has its default.
  const Show plain = ParseShowText("[[slide]]\npicture = \"a.jpg\"\n", "s.toml", "/f");
  EXPECT_EQ(plain.Settings, ShowSettings{});
  ASSERT_EQ(plain.Slides.size(), 1u);
  EXPECT_EQ(plain.Slides[0], (Slide{"/f/a.jpg", {}, {}, {}}));
}

TEST(ShowFileTest, RefusalsNameThePlaceTheKeyAndWhatWasExpected) {
  // A text without slides gets three good ones after it, unless it ends in
  // "!", so the key in question is the only fault.
  struct Case {
    const char* text;
    const char* message;  // the whole message, or its start when it ends in "..."
  };
  const std::string slides3 = "[[slide]]\npicture = \"a\"\n[[slide]]\npicture = \"b\"\n"
                              "[[slide]]\npicture = \"c\"\n";
  const Case cases[] = {
      {"[[slide]]\npicture = \"a\"\n[[slide]]\npicture = \"b\"\n[[slide]]\npicture = \"c\"\n"
       "[[slide]]\npicture = \"d\"\nhold = \"fast\"\n",
       "s.toml:9:8: slide 4: hold must be a number of seconds above 0 and at most 86400, found "
       "\"fast\""},
      {"[show]\nhodl = 3\n", "s.toml:2:1: [show]: unknown key \"hodl\"; did you mean \"hold\"?"},
      {"[[slide]]\npictures = \"a\"\n", "s.toml:2:1: slide 1: unknown key \"pictures\"; did you mean \"picture\"?"},
      {"[show]\nsize = \"641x480\"\n", "s.toml:2:8: [show]: size must be \"WIDTHxHEIGHT\"..."},
      {"[show]\nrate = \"0/1\"\n", "s.toml:2:8: [show]: rate must be frames per second..."},
      {"[show]\ntransition = 0\n", "s.toml:2:14: [show]: transition must be a number of seconds above 0..."},
      {"[show]\nhold = nan\n", "s.toml:2:8: [show]: hold must be a number of seconds above 0 and at most 86400, found nan"},
      {"[show]\neffect = 177\n", "s.toml:2:10: [show]: effect must be an effect row from 1 to 176, found 177"},
      {"[show]\neffect = \"expand from bottom\"\n",
       "s.toml:2:10: [show]: effect must be 18 or 33 (two effects share this name), found "
       "\"expand from bottom\""},
      {"[show]\neffect = \"Wipe sideways\"\n", "s.toml:2:10: [show]: effect must be \"random\", \"sequential\"..."},
      {"[show]\neffect = \"reveal from left\"\n[[slide]]\npicture = \"a\"\neffect = [1]\n",
       "s.toml:5:10: slide 1: effect must be \"random\", \"sequential\", \"none\" (a cut), a row "
       "from 1 to 176 or an effect's name, found a list"},
      {"[show]\nseed = -1\n", "s.toml:2:8: [show]: seed must be a whole number from 0 to 4294967295, found -1"},
      {"[show]\nsound = [\"a.mp3\", 7]\n", "s.toml:2:19: [show]: sound must be a path, or a table { file = \"PATH\", fade_in = S, fade_out = S }, found 7"},
      {"[show]\nexif_orientation = \"yes\"\n", "s.toml:2:20: [show]: exif_orientation must be true or false, found \"yes\""},
      {"[slide]\npicture = \"a\"\n!", "s.toml:1:1: slide must be [[slide]] tables, one for each picture"},
      {"[[show]]\n", "s.toml:1:1: show must be one [show] table"},
      {"hold = 2\n", "s.toml:1:1: unknown key \"hold\" outside the tables; put it under [show] or [[slide]]"},
      {"[[slide]]\nhold = 2\n", "s.toml:1:1: slide 1: picture is missing; give the picture file's path"},
      {"[show]\nhold = 2\n!", "s.toml: no [[slide]] tables; a show needs at least one picture"},
      {"[show\n", "s.toml:1:6: not a TOML file: ..."},
      // The library's own space test is mended for letters past ASCII.
      {"[show]\nhold = 2\xC3\xA9\n", "s.toml:2:9: not a TOML file: ..."},
      {"[[slide]]\npicture = \"a\"\npicture = \"b\"\n", "s.toml:3:11: not a TOML file: ..."},
      {"[[slide]]\npicture = \"\"\n", "s.toml:2:11: slide 1: picture must be the picture file's path, found \"\""},
      // The look's and the music's keys say what the options say.
      {"[show]\nfit = \"stretch\"\n", "s.toml:2:7: [show]: fit must be \"fit\" (whole picture, bars), \"fill\"..."},
      {"[show]\nbackground = \"#12345\"\n", "s.toml:2:14: [show]: background must be a colour as #RRGGBB, such as #000000 for black, found \"#12345\""},
      {"[[slide]]\npicture = \"a\"\nmotion = \"0,0,1,1:0.5,0.5,0.6,0.5\"\n", "s.toml:3:10: slide 1: motion must be none, zoom-in, ..."},
      {"[[slide]]\npicture = \"a\"\nfill_at = \"0.5\"\n", "s.toml:3:11: slide 1: fill_at must be X,Y as fractions from 0 to 1, such as 0.5,0.5 for the centre, found \"0.5\""},
      {"[show]\ncaption_size = 0.9\n", "s.toml:2:16: [show]: caption_size must be a number from 0.01 to 0.5, found 0.9"},
      {"[show]\ncaption = \"x\"\n", "s.toml:2:1: [show]: caption is a slide's key; put it under that slide's [[slide]]"},
      {"[show]\ncrossfade = -1\n", "s.toml:2:13: [show]: crossfade must be 0 (none) or a number of seconds above 0 and at most 86400, found -1"},
      {"[show]\nloudness = -80\n", "s.toml:2:12: [show]: loudness must be the integrated loudness in LUFS from -70 to -5, such as -16, found -80"},
      {"[show]\nsync = \"bars\"\n", "s.toml:2:8: [show]: sync must be \"none\", \"beats\" or \"onsets\", found \"bars\""},
      {"[show]\nsound = [{ file = \"a.mp3\", fade = 2 }]\n", "s.toml:2:35: [show]: sound has no key \"fade\"; a sound file is a path, or a table ..."},
      {"[show]\nsound = [{ fade_in = 2 }]\n", "s.toml:2:10: [show]: sound file is missing; a sound file is a path, or a table ..."},
      {"[show]\nsound = { file = \"a\", fade_out = true }\n", "s.toml:2:34: [show]: sound fade_out must be 0 (none) or a number of seconds above 0 and at most 86400, found true"},
      {"[show]\nsound = []\n", "s.toml:2:9: [show]: sound must name a sound file at least; leave the key out for none, found a list"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string message;
    try {
      std::string text = c.text;
      if (text.ends_with("!")) text.pop_back();
      else if (text.find("[[slide]]") == std::string::npos) text += slides3;
      ParseShowText(text, "s.toml", "/f");
    } catch (const ShowFileError& e) {
      message = e.what();
    }
    std::string expected = c.message;
    if (expected.ends_with("...")) {
      expected.resize(expected.size() - 3);
      EXPECT_TRUE(message.starts_with(expected)) << message;
    } else {
      EXPECT_EQ(message, expected);
    }
    EXPECT_EQ(message.find('\n'), std::string::npos);
  }
}

// Each key of the look and the music: the text reads as the show it should,
// and written back it reads the same again.
TEST(ShowFileTest, LookAndMusicKeysReadAndWriteBack) {
  struct Case {
    const char* show;   // [show] lines
    const char* slide;  // the one slide's lines after its picture
    void (*expect)(Show&);
  };
  const Case cases[] = {
      {"fit = \"blur\"\nbackground = \"#1a2B3c\"\nfill_at = \"0.25,1\"", "",
       [](Show& s) {
         s.Settings.Fit = FitMode::Blur;
         s.Settings.Background = 0x1A2B3C;
         s.Settings.FillX = 0.25, s.Settings.FillY = 1;
       }},
      {"motion = \"0,0,1,1:0.1,0.2,0.5,0.5\"\neasing = \"linear\"", "",
       [](Show& s) { s.Settings.Motion = {MotionKind::Rects, Easing::Linear, {0, 0, 1, 1}, {0.1, 0.2, 0.5, 0.5}}; }},
      {"caption_font = \"Noto Serif\"\ncaption_size = 0.1\ncaption_colour = \"#FFFF00\"\n"
       "caption_outline = 0\ncaption_outline_colour = \"#000080\"\ncaption_shadow = false\n"
       "caption_place = \"centre\"\ncaption_margin = 0.4\ncaption_fade = 0",
       "caption = \"Two lines,\\n\\\"quoted\\\" and \u00e9\"",
       [](Show& s) {
         s.Settings.Captions = {"Noto Serif", 0.1, 0xFFFF00, 0x000080, 0, false, CaptionPlace::Centre, 0.4, 0};
         s.Slides[0].Caption = "Two lines,\n\"quoted\" and \u00e9";
       }},
      // A slide's motion takes the show's easing unless it has its own.
      {"easing = \"linear\"", "fit = \"fill\"\nbackground = \"#FFFFFF\"\nfill_at = \"0,0.5\"\nmotion = \"pan-left\"",
       [](Show& s) {
         s.Settings.Motion.easing = Easing::Linear;
         Slide& slide = s.Slides[0];
         slide.Fit = FitMode::Fill;
         slide.Background = 0xFFFFFF;
         slide.FillAt = std::pair(0.0, 0.5);
         slide.Motion = MotionSpec{MotionKind::PanLeft};
       }},
      {"", "motion = \"zoom-out\"\neasing = \"linear\"",
       [](Show& s) {
         s.Slides[0].Motion = MotionSpec{MotionKind::ZoomOut};
         s.Slides[0].Easing = Easing::Linear;
       }},
      {"sound = [\"a.mp3\", { file = \"/m/b.ogg\", fade_in = 0, fade_out = 3 }, { file = \"c.wav\" }]\n"
       "fade_in = 1.5\nfade_out = 1\ncrossfade = 2\nend_fade = 0\nfit_to_music = true\nmin_hold = 0.25\n"
       "sync = \"onsets\"\nloudness = -16",
       "",
       [](Show& s) {
         s.Settings.Sound = {{"/f/a.mp3"}, {"/m/b.ogg", 0.0, 3.0}, {"/f/c.wav"}};
         s.Settings.Music = {1.5, 1, 2, 0, true, 0.25, MusicSync::Onsets, -16.0};
       }},
      {"sound = { file = \"a.mp3\", fade_out = 4 }\nloudness = -23.5", "",
       [](Show& s) {
         s.Settings.Sound = {{"/f/a.mp3", {}, 4.0}};
         s.Settings.Music.Loudness = -23.5;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.show + std::string(" | ") + c.slide);
    Show expected;
    expected.Slides = {{"/f/a.jpg"}};
    c.expect(expected);
    const Show read = ParseShowText(std::string("[show]\n") + c.show + "\n[[slide]]\npicture = \"a.jpg\"\n" +
                                        c.slide + "\n", "s.toml", "/f");
    EXPECT_EQ(read, expected);
    const std::string text = ShowFileText(read, "/f");
    EXPECT_EQ(ParseShowText(text, "s.toml", "/f"), read) << text;
  }
  // The slide's own easing, else the show's, whatever its move says.
  Show show;
  show.Settings.Motion.easing = Easing::Linear;
  Slide slide{"a.jpg"};
  slide.Motion = MotionSpec{MotionKind::ZoomIn, Easing::Smooth};
  EXPECT_EQ(Resolve(show.Settings, slide).Look.motion.easing, Easing::Linear);
  slide.Easing = Easing::Smooth;
  slide.FillAt = std::pair(0.0, 1.0);
  EXPECT_EQ(Resolve(show.Settings, slide).Look.motion.easing, Easing::Smooth);
  EXPECT_EQ(Resolve(show.Settings, slide).Look.framing.anchorY, 1.0);
}

TEST(ShowFileTest, ReadingTakesPathsFromTheFilesFolderAndListsEveryMissingFile) {
  const fs::path dir = testpics::ScratchDir("showfile");
  fs::create_directories(dir / "photos");
  testpics::WriteBmp24(dir / "photos" / "a.bmp", 4, 4, [](int, int) { return 0u; });
  const std::string path = (dir / "show.toml").string();
  std::ofstream(path) << "[show]\nsound = \"gone.mp3\"\n"
                         "[[slide]]\npicture = \"photos/a.bmp\"\n"
                         "[[slide]]\npicture = \"photos/b.bmp\"\n"
                         "[[slide]]\npicture = \"photos\"\n";
  try {
    ReadShowFile(path);
    ADD_FAILURE() << "read a show with missing files";
  } catch (const ShowFileError& e) {
    const std::string folder = dir.string();
    EXPECT_EQ(std::string(e.what()),
              path + ": 3 files cannot be read: slide 2 \"" + folder +
                  "/photos/b.bmp\" (missing), slide 3 \"" + folder +
                  "/photos\" (not a file), sound \"" + folder + "/gone.mp3\" (missing)");
  }
  std::ofstream(path) << "[[slide]]\npicture = \"photos/a.bmp\"\n";
  EXPECT_EQ(ReadShowFile(path).Slides.at(0).Picture, (dir / "photos" / "a.bmp").string());
}

}  // namespace

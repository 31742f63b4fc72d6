// lanternslide-render run on broken, hostile and odd input, one child
// process per case with a deadline; what each run leaves is played back
// with the media libraries. Writes the cases as a Markdown table.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "bad_inputs.h"
#include "bounded_run.h"
#include "e2e/e2e_support.h"
#include "playback_check.h"
#include "report.h"

namespace robust {
namespace {

struct Case {
  const char* what;                   // for the table
  std::vector<std::string> pictures;  // names in the inputs folder
  std::string sound;                  // name in the inputs folder, or empty
  std::vector<std::string> options;   // more renderer options
  int exit;                           // expected: 0 written, 1 failed, 2 refused
  Folder folder = Folder::Plain;
  std::string output = "show.mp4";    // in the output folder
};

// Options every run starts with: small, short and the same effects.
const std::vector<std::string> kBaseOptions = {"--quiet",           "--size", "160x120",
                                               "--picture-delay",   "0.5",    "--transition-delay",
                                               "0.3",               "--sequential"};
constexpr long kSmallDiskBytes = 48 * 1024;

const std::vector<std::string> kGood = {"good1.bmp", "good2.jpg", "good3.png"};
std::vector<std::string> Among(const std::string& bad) { return {"good1.bmp", bad, "good3.png"}; }

const std::vector<Case> kCases = {
    {"three good pictures (BMP, JPEG, PNG)", kGood, "", {}, 0},
    {"zero-byte JPEG first", {"zero.jpg", "good1.bmp"}, "", {}, 1},
    {"zero-byte BMP among good ones", Among("zero.bmp"), "", {}, 1},
    {"zero-byte PNG among good ones", Among("zero.png"), "", {}, 1},
    {"JPEG cut after 20 bytes", Among("cut-20.jpg"), "", {}, 1},
    {"JPEG cut halfway", Among("cut-half.jpg"), "", {}, 0},
    {"JPEG cut 2 bytes short (no end marker)", Among("cut-end.jpg"), "", {}, 0},
    {"BMP cut after 10 bytes", Among("cut-10.bmp"), "", {}, 1},
    {"BMP cut after 40 bytes", Among("cut-40.bmp"), "", {}, 1},
    {"BMP cut halfway", Among("cut-half.bmp"), "", {}, 1},
    {"PNG cut after the signature", Among("cut-8.png"), "", {}, 1},
    {"PNG cut after the header chunk", Among("cut-33.png"), "", {}, 1},
    {"PNG cut halfway", Among("cut-half.png"), "", {}, 1},
    {"random bytes named .jpg", Among("random.jpg"), "", {}, 1},
    {"random bytes named .bmp", Among("random.bmp"), "", {}, 1},
    {"random bytes named .png", Among("random.png"), "", {}, 1},
    {"a PNG named .jpg", Among("png-named.jpg"), "", {}, 0},
    {"a JPEG named .bmp", Among("jpeg-named.bmp"), "", {}, 0},
    {"BMP header claiming 100000x100000", Among("claims-huge.bmp"), "", {}, 1},
    {"JPEG header claiming 60000x60000", Among("claims-huge.jpg"), "", {}, 1},
    {"PNG header claiming 100000x100000", Among("claims-huge.png"), "", {}, 1},
    {"a real 6000x4000 JPEG", Among("large.jpg"), "", {}, 0},
    {"names with spaces and non-ASCII letters", {"good1.bmp", "Ferien Ü 2.jpg"}, "Ton ä.mp3", {}, 0},
    {"a folder given as a picture", Among("folder.jpg"), "", {}, 2},
    {"old BMPs: 1-bit, RLE4, RLE8, top-down, OS/2 header, 16-bit",
     {"bits1.bmp", "rle4.bmp", "rle8.bmp", "good2.jpg", "top-down.bmp", "os2.bmp", "rgb555.bmp"},
     "", {}, 0},
    {"sound: WAV", kGood, "tone.wav", {}, 0},
    {"sound: MP3", kGood, "tone.mp3", {}, 0},
    {"sound: MP3 with cover art", kGood, "cover.mp3", {}, 0},
    {"sound: missing file", kGood, "missing.mp3", {}, 2},
    {"sound: zero-byte MP3", kGood, "zero.mp3", {}, 2},
    {"sound: MP3 cut halfway", kGood, "cut.mp3", {}, 0},
    {"sound: WAV cut inside a sample", kGood, "cut.wav", {}, 0},
    {"sound: random bytes named .mp3", kGood, "random.mp3", {}, 2},
    {"sound: text named .mp3", kGood, "text.mp3", {}, 2},
    {"sound: JPEG named .mp3", kGood, "picture.mp3", {}, 2},
    {"output in a missing folder", kGood, "", {}, 2, Folder::Plain, "missing/show.mp4"},
    {"output with an unknown extension", kGood, "", {}, 2, Folder::Plain, "show.xyz"},
    {"output folder read-only", kGood, "", {}, 2, Folder::ReadOnly},
    {"output disk full (MP4)", kGood, "tone.wav", {"--size", "640x480"}, 1, Folder::SmallDisk},
    {"output disk full (MKV)", kGood, "tone.wav", {"--size", "640x480"}, 1, Folder::SmallDisk,
     "show.mkv"},
    {"output disk full (MOV, H.265)", kGood, "tone.wav", {"--size", "640x480", "--codec", "h265"}, 1,
     Folder::SmallDisk, "show.mov"},
    {"VP9 into AVI", kGood, "", {"--codec", "vp9"}, 2, Folder::Plain, "show.avi"},
    {"hardware encoder without its device", kGood, "", {"--hw", "vaapi"}, 1},
    {"frame size 0x0", kGood, "", {"--size", "0x0"}, 2},
    {"frame size -5x10", kGood, "", {"--size", "-5x10"}, 2},
    {"frame size 99999x99999", kGood, "", {"--size", "99999x99999"}, 2},
    {"frame size abc", kGood, "", {"--size", "abc"}, 2},
    {"frame size 2x2 (smallest allowed)", kGood, "", {"--size", "2x2"}, 0},
    {"frame rate 0/0", kGood, "", {"--rate", "0/0"}, 2},
    {"frame rate abc", kGood, "", {"--rate", "abc"}, 2},
    {"show file: per-slide times, a cut, a fixed effect", {"good.toml"}, "", {}, 0},
    {"show file: not TOML", {"not-toml.toml"}, "", {}, 2},
    {"show file: a hold of \"fast\"", {"fast.toml"}, "", {}, 2},
    {"show file: a misspelt key", {"typo.toml"}, "", {}, 2},
    {"show file: three pictures missing", {"missing-pictures.toml"}, "", {}, 2},
    {"show file: no slides", {"no-slides.toml"}, "", {}, 2},
    {"show file: zero bytes", {"zero.toml"}, "", {}, 2},
    {"show file: random bytes", {"random.toml"}, "", {}, 2},
    {"show file: missing", {"gone.toml"}, "", {}, 2},
    {"show file and pictures besides", {"good.toml", "good1.bmp"}, "", {}, 2},
    {"show file naming a broken picture", {"broken-picture.toml"}, "", {}, 1},
};

struct Outcome {
  ChildResult child;
  bool skipped = false;
  std::string message;            // what it wrote on stderr (errors only, as --quiet)
  std::vector<std::string> left;  // files in the output folder afterwards
  playcheck::Playback play;       // of the output, when it is there
};

class BadInputTable : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    e2e::InitMedia();
    root_ = e2e::Scratch("robustness");
    inputs_ = root_ / "inputs";
    fs::create_directories(inputs_);
    WritePictures(inputs_);
    WriteSounds(inputs_);
    WriteShowFiles(inputs_);
  }

  static void TearDownTestSuite() {
    std::error_code ec;
    if (!::testing::UnitTest::GetInstance()->Failed()) fs::remove_all(root_, ec);  // kept on failure
  }

  // Runs one case in an output folder of its own.
  Outcome Run(const Case& c, int index) {
    const fs::path out = CaseFolder(index) / "videos", kept = CaseFolder(index) / "kept";
    for (const fs::path& dir : {out, kept}) {
      fs::remove_all(dir);
      fs::create_directories(dir);
    }
    Outcome o;
    if (c.folder == Folder::ReadOnly && Confined(c).starts_with("skipped")) {
      o.skipped = true;
      return o;
    }
    ChildRun run;
    run.args = kBaseOptions;
    run.args.insert(run.args.end(), c.options.begin(), c.options.end());
    if (!c.sound.empty()) run.args.insert(run.args.end(), {"--audio", (inputs_ / c.sound).string()});
    run.args.insert(run.args.end(), {"-o", (out / c.output).string()});
    for (const std::string& p : c.pictures) run.args.push_back((inputs_ / p).string());
    run.logs = root_;
    run.outputFolder = out;
    run.keepFolder = kept;
    run.folder = c.folder;
    run.limitBytes = kSmallDiskBytes;
    o.child = RunBounded(run);
    o.message = o.child.err;
    const fs::path left = o.child.leftIn;
    for (const auto& e : fs::directory_iterator(left)) o.left.push_back(e.path().filename().string());
    if (fs::exists(left / c.output)) o.play = playcheck::PlayThrough((left / c.output).string());
    return o;
  }

  static fs::path CaseFolder(int index) { return root_ / ("case-" + std::to_string(index)); }

  static std::string Confined(const Case& c) {
    return ProbeConfinement().Describe(c.folder, kSmallDiskBytes);
  }

  // The message as the table shows it: without the scratch folders.
  static std::string Shown(std::string text, int index) {
    for (const fs::path& dir : {CaseFolder(index), inputs_, root_}) {
      const std::string prefix = dir.string() + "/";
      for (size_t at; (at = text.find(prefix)) != std::string::npos;) text.erase(at, prefix.size());
    }
    // The working file's name carries the process number.
    for (size_t at = text.find("partial-"); at != std::string::npos; at = text.find("partial-", at + 1)) {
      size_t end = at + 8;
      while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
      text.replace(at + 8, end - (at + 8), "PID");
    }
    return text;
  }

  static fs::path root_, inputs_;
};

fs::path BadInputTable::root_, BadInputTable::inputs_;

std::string ExitText(const Outcome& o) {
  if (o.skipped) return "skipped";
  if (o.child.timedOut) return "**hung**, killed";
  if (o.child.signal) return "**signal " + std::to_string(o.child.signal) + "**";
  return std::to_string(o.child.exitCode);
}

std::string PlayText(const Case& c, const Outcome& o) {
  if (o.left.empty()) return "-";
  if (!o.play.opened) return "no: " + (o.play.problem.empty() ? "not there" : o.play.problem);
  std::ostringstream s;
  s << (o.play.Plays(!c.sound.empty()) ? "yes" : "**no**") << ": " << o.play.pictures << " pictures";
  if (o.play.audioStreams) s << ", sound";
  if (o.play.badPackets) s << ", " << o.play.badPackets << " bad packets";
  return s.str();
}

std::string LeftText(const Outcome& o) {
  if (o.skipped) return "-";
  std::string s;
  for (const std::string& name : o.left) s += (s.empty() ? "" : ", ") + name;
  return s.empty() ? "nothing" : s;
}

// The invariants every case keeps, whatever the input.
void CheckInvariants(const Case& c, const Outcome& o) {
  EXPECT_FALSE(o.child.timedOut) << "hung";
  EXPECT_EQ(o.child.signal, 0) << "died of a signal\n" << o.child.err;
  if (o.child.exitCode == 0) {
    EXPECT_TRUE(o.play.Plays(!c.sound.empty()))
        << "reported success, but the file does not play: " << o.play.problem;
  } else {
    EXPECT_TRUE(o.message.starts_with("lanternslide-render: ")) << "failed without a message";
  }
  // A file left behind is the user's video: it must play, and no working
  // file may stay.
  for (const std::string& name : o.left) EXPECT_EQ(name, c.output) << "left behind";
  // A failed run that names the output tells the user it holds the video so far.
  if (o.child.exitCode == 1 && o.message.find(c.output + "\"") != std::string::npos) {
    EXPECT_FALSE(o.left.empty()) << "the message names a video that is not there";
  }
  if (!o.left.empty()) {
    EXPECT_TRUE(o.play.Plays(false)) << "an unplayable file was left";
  }
  // What was written before the disk filled up is the user's video, in every container.
  if (c.folder == Folder::SmallDisk && c.exit == 1) {
    EXPECT_FALSE(o.left.empty()) << "the full disk lost every frame";
  }
  EXPECT_EQ(o.child.exitCode, c.exit) << o.child.err;
}

TEST_F(BadInputTable, NoCaseCrashesHangsOrClaimsABrokenFile) {
  const Confinement& confinement = ProbeConfinement();
  std::ostringstream table;
  for (size_t i = 0; i < kCases.size(); ++i) {
    const Case& c = kCases[i];
    SCOPED_TRACE(c.what);
    const Outcome o = Run(c, int(i));
    if (!o.skipped) CheckInvariants(c, o);
    std::string what = c.what;
    if (c.folder != Folder::Plain) what += " (" + Confined(c) + ")";
    table << "| " << Cell(what) << " | " << ExitText(o) << " | " << Cell(Shown(o.message, int(i)))
          << " | " << Cell(LeftText(o)) << " | " << Cell(PlayText(c, o)) << " |\n";
  }
  std::ostringstream doc;
  doc << "# Bad input, end to end\n\n"
      << "What `lanternslide-render` does with broken, hostile and odd input. Written by "
         "`robustness_tests` (`tests/robustness/`), which generates every input, runs the "
         "renderer on each case as a child process with a deadline, and plays back what it "
         "leaves with the media libraries. Regenerate with\n\n"
      << "```sh\ncmake --build build --target robustness_tests && \\\n"
         "  LS_ROBUSTNESS_TABLE=$PWD/docs/robustness.md build/bin/robustness_tests\n```\n\n"
      << "Every run: `";
  for (const std::string& a : kBaseOptions) doc << a << " ";
  doc << "-o show.mp4 PICTURE...`, plus the options named. Pictures among good ones stand "
         "between `good1.bmp` (160x120) and `good3.png`. Exit codes: 0 written, 1 the run "
         "failed, 2 refused before it started. *Plays*: the file opens, has its video (and "
         "sound, when one was given), every packet decodes and at least one picture comes "
         "out. No case may crash, hang, fail without a message, leave an unplayable file or "
         "a working file, or report success without a playable file.\n\n"
      << "Output folders here: read-only as " << confinement.Describe(Folder::ReadOnly, 0)
      << "; full disk as " << confinement.Describe(Folder::SmallDisk, kSmallDiskBytes) << ".\n\n"
      << "| Case | Exit | Message | Left in the output folder | Plays |\n"
      << "|---|---|---|---|---|\n"
      << table.str();
  AddReportSection(1, doc.str());
}

}  // namespace
}  // namespace robust

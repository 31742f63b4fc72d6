#include "engine/option_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using engine::kOptionTable;
using engine::FindOption;

TEST(OptionTable, HoldsEveryOptionInDocumentedOrder) {
  const std::vector<std::string> expected = {
      "L", "h", "?", "help", "-help", "version", "formats", "codecs", "bsfs", "protocols",
      "filters", "pix_fmts", "sample_fmts", "loglevel", "v", "debug", "report", "max_alloc", "f",
      "i", "y", "n", "c", "codec", "pre", "map", "map_channel", "map_metadata", "map_chapters",
      "t", "t_microsecond", "fs", "ss", "ss_microsecond", "itsoffset", "itsoffset_microsecond",
      "itsscale", "timestamp", "metadata", "dframes", "benchmark", "timelimit", "dump", "hex",
      "re", "loop_input", "loop_output", "target", "vsync", "async", "adrift_threshold", "copyts",
      "copytb", "shortest", "dts_delta_threshold", "xerror", "copyinkf", "frames", "tag", "q",
      "qscale", "filter", "stats", "attach", "dump_attachment", "vframes", "r", "s", "aspect",
      "pix_fmt", "bits_per_raw_sample", "croptop", "cropbottom", "cropleft", "cropright",
      "padtop", "padbottom", "padleft", "padright", "padcolor", "intra", "vn", "vdt",
      "rc_override", "vcodec", "sameq", "same_quant", "pass", "passlogfile", "deinterlace",
      "psnr", "vstats", "vstats_file", "vf", "intra_matrix", "inter_matrix", "top", "dc", "vtag",
      "qphist", "force_fps", "streamid", "force_key_frames", "b", "aframes", "aq", "ar", "ac",
      "an", "acodec", "atag", "vol", "sample_fmt", "rmvol", "sn", "scodec", "stag", "vc", "tvstd",
      "isync", "muxdelay", "muxpreload", "bsf", "absf", "vbsf", "apre", "vpre", "spre", "fpre",
      "dcodec", "dn", "vhook", "VideoHookBitsPixel", "TimeStart", "timestart", "TimeLength",
      "timelength", "AudioHook", "VideoInputHook", "VideoOutputHook", "FrameInputHook",
      "FrameOutputHook", "Join", "default"};
  ASSERT_EQ(expected.size(), std::size_t(engine::kOptionCount));
  std::vector<std::string> actual;
  for (const engine::OptionEntry* row = kOptionTable; row->name; ++row) actual.emplace_back(row->name);
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(std::set<std::string>(actual.begin(), actual.end()).size(), actual.size())
      << "names must be unique for the lookup";
}

TEST(OptionTable, FlagsEncodeKindAndStorage) {
  struct Row {
    const char* name;
    uint32_t flags;
  };
  const Row rows[] = {
      {"f", 0x4009}, {"c", 0x8009}, {"codec", 0x8009}, {"re", 0x4006}, {"r", 0x8019},
      {"s", 0x8019}, {"pix_fmt", 0x801D}, {"t", 0x14001}, {"t_microsecond", 0x4401},
      {"ss", 0x14001}, {"ss_microsecond", 0x4401}, {"itsoffset", 0x14001},
      {"itsoffset_microsecond", 0x4401}, {"shortest", 0x6}, {"vcodec", 0x2011},
      {"acodec", 0x2021}, {"scodec", 0x2201}, {"dcodec", 0x3001}, {"b", 0x2011},
      {"qscale", 0x2005}, {"vframes", 0x2011}, {"aframes", 0x2021}, {"dframes", 0x2001},
      {"aq", 0x2021}, {"vf", 0x2011}, {"vtag", 0x2015}, {"atag", 0x2025}, {"stag", 0x2205},
      {"absf", 0x2025}, {"vbsf", 0x2015}, {"TimeStart", 0x2005}, {"timelength", 0x2005},
      {"L", 0x800}, {"sample_fmts", 0x800}, {"i", 0x801}, {"pre", 0x809}, {"report", 0x0},
      {"benchmark", 0x800}, {"timelimit", 0x1}, {"Join", 0x800}, {"croptop", 0x11},
      {"padcolor", 0x11}, {"vc", 0x55}, {"tvstd", 0x55}, {"vhook", 0x15},
      {"VideoHookBitsPixel", 0x15}, {"loglevel", 0x1}, {"v", 0x1}, {"default", 0x35},
  };
  for (const Row& r : rows) {
    const engine::OptionEntry* row = FindOption(r.name);
    ASSERT_NE(row, nullptr) << r.name;
    EXPECT_EQ(row->flags, r.flags) << r.name;
  }
}

TEST(OptionTable, LookupIsExactAndCaseSensitive) {
  // The lookup returns the row of that very name, not one differing in case.
  ASSERT_NE(FindOption("TimeStart"), nullptr);
  ASSERT_NE(FindOption("timestart"), nullptr);
  EXPECT_STREQ(FindOption("TimeStart")->name, "TimeStart");
  EXPECT_STREQ(FindOption("timestart")->name, "timestart");
  EXPECT_NE(FindOption("TimeStart"), FindOption("timestart"));
  EXPECT_EQ(FindOption("Timestart"), nullptr);
  EXPECT_EQ(FindOption("pix"), nullptr);
  EXPECT_EQ(FindOption("pix_fmts")->flags, 0x800u);
  EXPECT_EQ(FindOption(""), nullptr);
  EXPECT_STREQ(FindOption("f")->help, "force format");
}

}  // namespace

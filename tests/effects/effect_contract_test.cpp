// What every bound effect owes its caller: it draws any progress on any frame
// size without fault, leaves no clip region, never writes the new picture,
// keeps no state between calls and leaves the shared random generator alone
// unless it is one of the effects that draw a fresh random pattern per frame.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "effect_test_util.h"
#include "effects/effect.h"
#include "gfx/random.h"

namespace {

using effect_test::Checksum;
using effect_test::EffectFrames;

// Shreds and speckles draw a new pattern every frame from the unseeded
// generator; the table says which (a run that skips frames relies on it).
bool DrawsFreshRandomPattern(int row) { return effects::DrawsFromSharedGenerator(row); }

struct Size {
  int w, h;
  std::vector<int> progress;
};

std::vector<int> AllProgress() {
  std::vector<int> v;
  for (int p = 1; p <= 99; ++p) v.push_back(p);
  return v;
}

class EffectContract : public ::testing::TestWithParam<int> {};

TEST_P(EffectContract, DrawsEveryFrameCleanlyAndRepeatably) {
  const int row = GetParam();
  const effects::TEffect& effect = effects::EffectAt(row);
  ASSERT_NE(effect.Proc, nullptr) << "row " << row << " has no procedure";
  const bool fresh = DrawsFreshRandomPattern(row);

  const std::vector<int> sampled = {1, 2, 33, 50, 67, 98, 99};
  const Size sizes[] = {{1, 1, AllProgress()},
                        {2, 2, AllProgress()},
                        {17, 13, AllProgress()},
                        {320, 240, sampled},
                        {240, 320, sampled}};
  for (const Size& size : sizes) {
    SCOPED_TRACE(std::to_string(size.w) + "x" + std::to_string(size.h));
    EffectFrames f(size.w, size.h);
    const uint64_t image = Checksum(f.newPic);

    // Forward, then backward with a different generator state: the frames
    // must not depend on call order or, for seeded effects, on the seed.
    std::vector<uint64_t> forward;
    for (int p : size.progress) {
      gfx::SetRandSeed(fresh ? 7000u + p : 1000u + p);
      const uint32_t seed = gfx::RandSeed();
      f.DrawAt(effect.Proc, p);
      ASSERT_FALSE(f.display.GetCanvas().HasClipRegion()) << "progress " << p;
      if (!fresh) {
        ASSERT_EQ(gfx::RandSeed(), seed) << "seed not restored at " << p;
      }
      forward.push_back(Checksum(f.display));
    }
    ASSERT_EQ(Checksum(f.newPic), image) << "the new picture was written";
    for (size_t i = size.progress.size(); i-- > 0;) {
      const int p = size.progress[i];
      gfx::SetRandSeed(fresh ? 7000u + p : 0xBEEF0000u + p);
      f.DrawAt(effect.Proc, p);
      ASSERT_EQ(Checksum(f.display), forward[i]) << "progress " << p << " drew differently";
    }
  }
}

// Halfway through, any transition shows something of the change.
TEST_P(EffectContract, ChangesTheFrameHalfway) {
  const int row = GetParam();
  const effects::TEffect& effect = effects::EffectAt(row);
  ASSERT_NE(effect.Proc, nullptr) << "row " << row << " has no procedure";
  EffectFrames f(64, 48);
  // Every colour byte of the new picture differs from the old one's, so
  // effects that take over one channel at a time change the frame too.
  for (int y = 0; y < f.H(); ++y)
    for (int x = 0; x < f.W(); ++x)
      effect_test::SetPixel(f.newPic, x, y, effect_test::PixelAt(f.newPic, x, y) ^ 0x00FFFFFFu);
  gfx::SetRandSeed(42);
  f.DrawAt(effect.Proc, 50);
  EXPECT_NE(Checksum(f.display), Checksum(f.oldPic));
}

// Only the rows the table names may change with the new picture's handle
// alone: a split show's part leaves pictures unmade where none of them shows.
TEST_P(EffectContract, DependsOnThePicturesHandleOnlyWhereTheTableSaysSo) {
  const int row = GetParam();
  if (effects::SeedsFromPicture(row)) return;
  EffectFrames f(64, 48);
  std::set<uint64_t> frames;
  for (int i = 0; i < 4; ++i) {
    f.newPic.RenewHandle();
    gfx::SetRandSeed(42);
    f.DrawAt(effects::EffectAt(row).Proc, 30);  // not 50: half a turn either way looks the same
    frames.insert(Checksum(f.display));
  }
  EXPECT_EQ(frames.size(), 1u);
}

std::string RowName(const ::testing::TestParamInfo<int>& info) {
  std::string name = "Row" + std::to_string(info.param) + "_";
  for (const char* c = effects::EffectAt(info.param).Name; *c; ++c)
    name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(AllRows, EffectContract, ::testing::Range(1, effects::kEffectCount + 1),
                         RowName);

}  // namespace

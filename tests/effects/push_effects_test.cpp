// Pushes, squeezes and slide-outs against a model that snapshots the frame
// before every move, so a move that smears (reads what it already wrote)
// shows up as soon as source and destination overlap.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "effect_test_util.h"
#include "effects/effect.h"

namespace {

using effect_test::EffectFrames;
using effect_test::FrameIs;
using effect_test::PixelAt;
using effect_test::Tag;

// The frame as plain pixels, top row first.
struct Frame {
  int w, h;
  std::vector<uint32_t> px;
  uint32_t& At(int x, int y) { return px[size_t(y) * w + x]; }
  bool Inside(int x, int y) const { return x >= 0 && x < w && y >= 0 && y < h; }
};

Frame Capture(const gfx::Bitmap& b) {
  Frame f{b.Width(), b.Height(), {}};
  for (int y = 0; y < f.h; ++y)
    for (int x = 0; x < f.w; ++x) f.px.push_back(PixelAt(b, x, y));
  return f;
}

// Copies a block from a snapshot of from, so the source is all read first.
void ModelCopy(Frame& to, Frame from, int sx, int sy, int w, int h, int dx, int dy) {
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      if (to.Inside(dx + i, dy + j) && from.Inside(sx + i, sy + j))
        to.At(dx + i, dy + j) = from.At(sx + i, sy + j);
}

// The whole frame stretched onto a block: destination i takes source
// (2i + 1) * size / (2 * extent), whole pixels, no averaging.
void ModelSqueeze(Frame& f, int dx, int dy, int dw, int dh) {
  const Frame before = f;
  for (int j = 0; j < dh; ++j)
    for (int i = 0; i < dw; ++i)
      f.At(dx + i, dy + j) = before.px[size_t((2 * j + 1) * f.h / (2 * dh)) * f.w +
                                       size_t((2 * i + 1) * f.w / (2 * dw))];
}

// What each row does to the old picture, then which strip of the new one it
// shows; the rows' own table, written out independently.
Frame Expected(int row, const Frame& oldPic, const Frame& newPic, int X, int Y) {
  const int W = oldPic.w, H = oldPic.h;
  Frame f = oldPic;
  switch (row) {
    case 129:
      ModelCopy(f, f, 0, 0, W - X, H, X, 0);
      ModelCopy(f, newPic, W - X, 0, X, H, 0, 0);
      break;
    case 130:
      ModelCopy(f, f, X, 0, W - X, H, 0, 0);
      ModelCopy(f, newPic, 0, 0, X, H, W - X, 0);
      break;
    case 131:
      ModelSqueeze(f, X, 0, W - X, H);
      ModelCopy(f, newPic, W - X, 0, X, H, 0, 0);
      break;
    case 132:
      ModelSqueeze(f, 0, 0, W - X, H);
      ModelCopy(f, newPic, 0, 0, X, H, W - X, 0);
      break;
    case 133:
      ModelCopy(f, f, 0, 0, W, H - Y, 0, Y);
      ModelCopy(f, newPic, 0, H - Y, W, Y, 0, 0);
      break;
    case 134:
      ModelCopy(f, f, 0, Y, W, H - Y, 0, 0);
      ModelCopy(f, newPic, 0, 0, W, Y, 0, H - Y);
      break;
    case 135:
      ModelSqueeze(f, 0, Y, W, H - Y);
      ModelCopy(f, newPic, 0, H - Y, W, Y, 0, 0);
      break;
    case 136:
      ModelSqueeze(f, 0, 0, W, H - Y);
      ModelCopy(f, newPic, 0, 0, W, Y, 0, H - Y);
      break;
    case 173:
      ModelCopy(f, f, 0, 0, W - X, H, X, 0);
      ModelCopy(f, newPic, 0, 0, X, H, 0, 0);
      break;
    case 174:
      ModelCopy(f, f, X, 0, W - X, H, 0, 0);
      ModelCopy(f, newPic, W - X, 0, X, H, W - X, 0);
      break;
    case 175:
      ModelCopy(f, f, 0, 0, W, H - Y, 0, Y);
      ModelCopy(f, newPic, 0, 0, W, Y, 0, 0);
      break;
    case 176:
      ModelCopy(f, f, 0, Y, W, H - Y, 0, 0);
      ModelCopy(f, newPic, 0, H - Y, W, Y, 0, H - Y);
      break;
  }
  return f;
}

const int kRows[] = {129, 130, 131, 132, 133, 134, 135, 136, 173, 174, 175, 176};

TEST(PushFamily, EveryPixelMatchesAModelThatReadsFirst) {
  struct Size {
    int w, h;
    bool everyProgress;
  };
  for (const Size s : {Size{17, 13, true}, Size{16, 12, true}, Size{13, 17, true}, Size{2, 3, true},
                       Size{320, 240, false}, Size{240, 320, false}}) {
    EffectFrames f(s.w, s.h);
    const Frame oldPic = Capture(f.oldPic), newPic = Capture(f.newPic);
    for (int row : kRows) {
      for (int p = 1; p <= 99; p += s.everyProgress ? 1 : 7) {
        f.DrawAt(effects::EffectAt(row).Proc, p);
        const effects::Extents e = effects::ProgressExtents(s.w, s.h, p);
        Frame want = Expected(row, oldPic, newPic, e.X, e.Y);
        ASSERT_TRUE(FrameIs(f.display, [&](int x, int y) { return want.At(x, y); }))
            << "row " << row << " " << s.w << "x" << s.h << " at " << p;
      }
    }
  }
}

TEST(PushFamily, EdgeCases) {
  EffectFrames f(17, 13);
  const int W = 17, H = 13;
  // Push right: nothing at X = 0; at X = W - 1 only the old leftmost column
  // is left, at the right edge.
  f.Draw(effects::EffectAt(129).Proc, 0, 0, 1);
  EXPECT_TRUE(FrameIs(f.display, [](int x, int y) { return Tag(false, x, y); }));
  f.Draw(effects::EffectAt(129).Proc, W - 1, H - 1, 99);
  EXPECT_TRUE(FrameIs(f.display, [&](int x, int y) {
    return x == W - 1 ? Tag(false, 0, y) : Tag(true, x + 1, y);
  }));
  // Push left: column W - X - 1 holds the old column W - 1.
  for (int X = 0; X < W; ++X) {
    f.Draw(effects::EffectAt(130).Proc, X, 0, 50);
    for (int y = 0; y < H; ++y)
      ASSERT_EQ(PixelAt(f.display, W - X - 1, y), Tag(false, W - 1, y)) << X;
  }
  // Push and squeeze left at X = 1: the old picture loses one column in
  // the squeeze, the new picture's first column stands at the right edge.
  f.Draw(effects::EffectAt(132).Proc, 1, 1, 6);
  EXPECT_TRUE(FrameIs(f.display, [&](int x, int y) {
    return x == W - 1 ? Tag(true, 0, y) : Tag(false, (2 * x + 1) * W / (2 * (W - 1)), y);
  }));
}

}  // namespace

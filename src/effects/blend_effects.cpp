// Cross-fades computed on pixel memory: the whole picture at once, or one
// colour channel after another.
#include "gfx/arith.h"
#include "gfx/random.h"
#include "pixel_blend.h"
#include "pixel_effects.h"

namespace effects {

namespace {

// Display holds the untouched old picture at every call, so blending with a
// weight that grows with progress gives a linear cross-fade.
void BlendFrame(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H,
                const ByteWeights& weights) {
  for (int y = 0; y < H; ++y) BlendPixels(Display.ScanLine(y), Image.ScanLine(y), W, weights);
}

struct ChannelOrder {
  int first, second, third;  // byte indexes: 0 blue, 1 green, 2 red
};

// The order is drawn from a generator seeded by the new picture, so it
// holds for the whole transition; the caller's sequence is put back.
ChannelOrder DrawChannelOrder(const gfx::Bitmap& Image) {
  gfx::RandSeedGuard keep;
  gfx::SetRandSeed(Image.Handle());
  ChannelOrder order;
  order.first = gfx::Random(3);
  do order.second = gfx::Random(3);
  while (order.second == order.first);
  order.third = 3 - order.first - order.second;
  return order;
}

}  // namespace

// The old picture fades into the new one.
void Effect119(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  BlendFrame(Display, Image, W, H, ColourWeights(gfx::MulDiv(256, Progress, 100)));
}

// The new picture takes over one colour channel after another, each in a
// third of the transition.
void Effect172(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const ChannelOrder order = DrawChannelOrder(Image);
  ByteWeights weights{0, 0, 0, 0};
  if (Progress <= 33) {
    weights[order.first] = gfx::MulDiv(256, Progress, 33);
  } else if (Progress <= 66) {
    weights[order.first] = 256;
    weights[order.second] = gfx::MulDiv(256, Progress - 33, 33);
  } else {
    weights[order.first] = weights[order.second] = 256;
    weights[order.third] = gfx::MulDiv(256, Progress - 66, 33);
  }
  BlendFrame(Display, Image, W, H, weights);
}

}  // namespace effects

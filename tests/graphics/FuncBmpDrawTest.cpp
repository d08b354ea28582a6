#include "graphics/FuncBmpDraw.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>

namespace vantel {
namespace {

using Format = Picture::Format;

Picture Solid(int w, int h, Format f, uint8_t b, uint8_t g, uint8_t r, uint8_t a = 255) {
  Picture p(w, h, f, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* q = p.Pixel(x, y);
      q[0] = b, q[1] = g, q[2] = r;
      if (f == Format::BGRA32) q[3] = a;
    }
  return p;
}

// Random pixels; in 32-bit pictures the alpha is 0, 255 or partial in equal
// shares, so every branch of the per-pixel routines is taken.
Picture Random(int w, int h, Format f, std::mt19937& rng) {
  Picture p(w, h, f, 0);
  std::uniform_int_distribution<int> byte(0, 255), kind(0, 2);
  for (size_t i = 0; i < p.ByteSize(); ++i) p.Data()[i] = uint8_t(byte(rng));
  if (f == Format::BGRA32)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int k = kind(rng);
        if (k < 2) p.Pixel(x, y)[3] = k == 0 ? 0 : 255;
      }
  return p;
}

// An independent model: each pixel of the requested rectangle is drawn when it
// lies inside both pictures, with the per-pixel rule written out directly.
void ModelBlend(Picture& dst, int dx, int dy, const Picture& src, int sx, int sy, int w, int h,
                int a) {
  if (a > 255) a = 255;
  if (a < 1) return;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      const int64_t tx = int64_t(dx) + i, ty = int64_t(dy) + j, fx = int64_t(sx) + i,
                    fy = int64_t(sy) + j;
      if (tx < 0 || ty < 0 || tx >= dst.Width() || ty >= dst.Height()) continue;
      if (fx < 0 || fy < 0 || fx >= src.Width() || fy >= src.Height()) continue;
      uint8_t* d = dst.Pixel(int(tx), int(ty));
      const uint8_t* s = src.Pixel(int(fx), int(fy));
      for (int c = 0; c < 3; ++c) {
        int v = d[c];
        if (!src.Is32()) {
          v = a == 255 ? s[c] : (d[c] * (255 - a) + s[c] * a) >> 8;
        } else if (a == 255) {
          if (s[3] == 255)
            v = s[c];
          else if (s[3] != 0)
            v = (d[c] * (255 - s[3]) + s[c] * s[3]) >> 8;
        } else {
          const int e = (s[3] * a) >> 8;
          if (e != 0) v = (d[c] * (256 - e) + s[c] * e) >> 8;
        }
        d[c] = uint8_t(v);
      }
    }
}

TEST(Blend, ArithmeticOfTheFourRoutines) {
  // Constant alpha over a 24-bit source: weights 255 - a and a.
  Picture d = Solid(1, 1, Format::BGR24, 0, 200, 255);
  Blend(d, 0, 0, Solid(1, 1, Format::BGR24, 255, 50, 255), 0, 0, 1, 1, 128);
  EXPECT_EQ(d.Pixel(0, 0)[0], 127);
  EXPECT_EQ(d.Pixel(0, 0)[2], 254);  // a colour over itself darkens by one
  d = Solid(1, 1, Format::BGR24, 200, 0, 0);
  Blend(d, 0, 0, Solid(1, 1, Format::BGR24, 50, 0, 0), 0, 0, 1, 1, 100);
  EXPECT_EQ(d.Pixel(0, 0)[0], 140);
  // a = 255 copies a 24-bit source unchanged.
  Blend(d, 0, 0, Solid(1, 1, Format::BGR24, 1, 2, 3), 0, 0, 1, 1, 255);
  EXPECT_EQ(d, Solid(1, 1, Format::BGR24, 1, 2, 3));

  // Per-pixel alpha: A = 128 of 255 over 255 gives 254; A = 0 leaves the
  // destination even where the source's colour bytes are set; A = 255 copies.
  Picture src(3, 1, Format::BGRA32, 0);
  const uint8_t px[] = {255, 255, 255, 128, 9, 9, 9, 0, 7, 8, 9, 255};
  std::memcpy(src.Data(), px, sizeof px);
  d = Solid(3, 1, Format::BGR24, 255, 255, 255);
  Blend(d, 0, 0, src, 0, 0, 3, 1, 255);
  const uint8_t wantAlpha[] = {254, 254, 254, 255, 255, 255, 7, 8, 9};
  EXPECT_EQ(0, std::memcmp(d.Data(), wantAlpha, sizeof wantAlpha));

  // Scaled: A = 255, a = 128 gives e = 127, so 255 over 0 gives 126; the
  // weights sum to 256, so a colour over itself stays.
  Picture opaque = Solid(1, 1, Format::BGRA32, 255, 100, 0, 255);
  d = Solid(1, 1, Format::BGR24, 0, 100, 0);
  Blend(d, 0, 0, opaque, 0, 0, 1, 1, 128);
  EXPECT_EQ(d.Pixel(0, 0)[0], 126);
  EXPECT_EQ(d.Pixel(0, 0)[1], 100);
  // e = (A*a) >> 8 = 0 leaves the destination.
  d = Solid(1, 1, Format::BGR24, 0, 0, 0);
  Blend(d, 0, 0, Solid(1, 1, Format::BGRA32, 255, 255, 255, 1), 0, 0, 1, 1, 254);
  EXPECT_EQ(d.Pixel(0, 0)[0], 0);

  // a = 0 draws nothing; a = 300 acts as 255.
  d = Solid(1, 1, Format::BGR24, 5, 5, 5);
  Blend(d, 0, 0, Solid(1, 1, Format::BGR24, 9, 9, 9), 0, 0, 1, 1, 0);
  EXPECT_EQ(d.Pixel(0, 0)[0], 5);
  Blend(d, 0, 0, Solid(1, 1, Format::BGR24, 9, 9, 9), 0, 0, 1, 1, 300);
  EXPECT_EQ(d.Pixel(0, 0)[0], 9);
}

// Counts the destination pixels that changed and reports the box around them.
struct Changed {
  int count = 0, left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
};
Changed Diff(const Picture& before, const Picture& after) {
  Changed c;
  for (int y = 0; y < after.Height(); ++y)
    for (int x = 0; x < after.Width(); ++x)
      if (std::memcmp(before.Pixel(x, y), after.Pixel(x, y), 3) != 0) {
        ++c.count;
        c.left = std::min(c.left, x), c.right = std::max(c.right, x);
        c.top = std::min(c.top, y), c.bottom = std::max(c.bottom, y);
      }
  return c;
}

TEST(Blend, ClipsAgainstBothPictures) {
  const Picture blank = Solid(800, 600, Format::BGR24, 0, 0, 0);
  const Picture narrow = Solid(30, 50, Format::BGR24, 9, 9, 9);
  // A cell at the right edge from a 30-pixel source draws 30 columns.
  Picture d = blank;
  Blend(d, 750, 0, narrow, 0, 0, 50, 50, 255);
  Changed c = Diff(blank, d);
  EXPECT_EQ(c.count, 30 * 50);
  EXPECT_EQ(c.left, 750);
  EXPECT_EQ(c.right, 779);
  // A negative source position skips the missing columns in the destination too.
  const Picture wide = Solid(100, 100, Format::BGR24, 9, 9, 9);
  d = blank;
  Blend(d, 100, 10, wide, -20, 0, 50, 50, 255);
  c = Diff(blank, d);
  EXPECT_EQ(c.count, 30 * 50);
  EXPECT_EQ(c.left, 120);
  EXPECT_EQ(c.right, 149);
  // A negative destination position takes the source from further in.
  Picture gradient(100, 1, Format::BGR24, 0);
  for (int x = 0; x < 100; ++x) gradient.Pixel(x, 0)[0] = uint8_t(x + 1);
  d = blank;
  Blend(d, -5, 0, gradient, 10, 0, 20, 1, 255);
  EXPECT_EQ(d.Pixel(0, 0)[0], 16);
  EXPECT_EQ(d.Pixel(14, 0)[0], 30);
  EXPECT_EQ(d.Pixel(15, 0)[0], 0);
  // A source position equal to the width clips to nothing; one past it as well.
  for (int sx : {100, 101}) {
    d = blank;
    Blend(d, 0, 0, wide, sx, 0, 50, 50, 255);
    EXPECT_EQ(Diff(blank, d).count, 0) << sx;
  }
  // Rectangles wholly outside, empty or negative draw nothing and touch no
  // memory outside the pictures (the sanitizer build checks the latter).
  for (auto [dx, dy, sx, sy, w, h] :
       std::vector<std::array<int, 6>>{{800, 0, 0, 0, 50, 50},
                                       {0, 600, 0, 0, 50, 50},
                                       {-50, 0, 0, 0, 50, 50},
                                       {0, 0, -50, 0, 50, 50},
                                       {0, 0, 0, 0, 0, 50},
                                       {0, 0, 10, 10, -5, 50},
                                       {0, 0, 0, 0, INT32_MAX, INT32_MAX},
                                       {INT32_MAX, 0, INT32_MIN, 0, INT32_MAX, 1}}) {
    d = blank;
    Picture want = blank;
    Blend(d, dx, dy, wide, sx, sy, w, h, 255);
    ModelBlend(want, dx, dy, wide, sx, sy, std::min(w, 2000), std::min(h, 2000), 255);
    EXPECT_EQ(d, want) << dx << ' ' << dy << ' ' << sx << ' ' << sy << ' ' << w << ' ' << h;
  }
}

// Random pictures of both formats, random alphas and random rectangles that
// reach past every edge: each fast path, the plain routines and the model agree
// byte for byte.
void CompareWithModel() {
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> size(1, 90), pos(-40, 100), len(-5, 120);
  const int alphas[] = {-3, 0, 1, 2, 127, 128, 200, 254, 255, 256, 999};
  for (int round = 0; round < 400; ++round) {
    const Format sf = round % 2 ? Format::BGRA32 : Format::BGR24;
    const Picture src = Random(size(rng), size(rng), sf, rng);
    const Picture base = Random(size(rng), size(rng), Format::BGR24, rng);
    const int dx = pos(rng), dy = pos(rng), sx = pos(rng), sy = pos(rng);
    const int w = len(rng), h = len(rng), a = alphas[round % 11];
    Picture fast = base, plain = base, model = base;
    Blend(fast, dx, dy, src, sx, sy, w, h, a);
    BlendReference(plain, dx, dy, src, sx, sy, w, h, a);
    ModelBlend(model, dx, dy, src, sx, sy, w, h, a);
    ASSERT_EQ(plain, model) << "round " << round;
    ASSERT_EQ(fast, plain) << "round " << round << " path " << BlendPathName();
  }
}

TEST(Blend, FastAndPlainRoutinesMatchTheModelOnRandomPictures) {
  const std::string best = BlendPathName();
  for (const char* path : {"avx2", "sse2"}) {
    if (!ForceBlendPath(path)) continue;
    SCOPED_TRACE(path);
    CompareWithModel();
  }
  ForceBlendPath(best);
  EXPECT_FALSE(ForceBlendPath("mmx"));
}

TEST(Blend, WholeCellsOfAFrameMatchThePlainRoutines) {
  // Full 50-pixel rows as composition draws them, over uniform regions too,
  // where the fast paths skip or copy whole groups.
  std::mt19937 rng(99);
  Picture src = Random(800, 100, Format::BGRA32, rng);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 800; ++x) src.Pixel(x, y)[3] = x < 400 ? 0 : (x < 600 ? 255 : x & 0xFF);
  const Picture base = Random(800, 100, Format::BGR24, rng);
  for (int a : {255, 128, 7}) {
    Picture fast = base, plain = base;
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 16; ++i) {
        Blend(fast, 50 * i, 50 * j, src, 50 * i, 50 * j, 50, 50, a);
        BlendReference(plain, 50 * i, 50 * j, src, 50 * i, 50 * j, 50, 50, a);
      }
    EXPECT_EQ(fast, plain) << a;
  }
}

TEST(Blend, ThirtyTwoBitDestinationKeepsItsAlpha) {
  Picture d = Solid(2, 1, Format::BGRA32, 0, 0, 0, 77);
  Blend(d, 0, 0, Solid(2, 1, Format::BGR24, 255, 255, 255), 0, 0, 2, 1, 128);
  EXPECT_EQ(d.Pixel(1, 0)[0], 127);
  EXPECT_EQ(d.Pixel(1, 0)[3], 77);
  // Between two 32-bit pictures at 255 all four bytes are copied.
  Blend(d, 0, 0, Solid(2, 1, Format::BGRA32, 1, 2, 3, 4), 0, 0, 2, 1, 255);
  EXPECT_EQ(d, Solid(2, 1, Format::BGRA32, 1, 2, 3, 4));
}

}  // namespace
}  // namespace vantel

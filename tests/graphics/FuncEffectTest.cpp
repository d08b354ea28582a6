#include "graphics/FuncEffect.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

namespace vantel {
namespace {

using Format = Picture::Format;

Picture Grey(int w, int h, uint8_t v) {
  Picture p(w, h, Format::BGR24, 0);
  std::memset(p.Data(), v, p.ByteSize());
  return p;
}

Picture Random(int w, int h, std::mt19937& rng) {
  Picture p(w, h, Format::BGR24, 0);
  for (size_t i = 0; i < p.ByteSize(); ++i) p.Data()[i] = uint8_t(rng());
  return p;
}

// Every (S, N) byte pair once, in a picture 16384 x 4.
void AllPairs(Picture& s, Picture& n) {
  s = Grey(16384, 4, 0), n = Grey(16384, 4, 0);
  for (size_t i = 0; i < s.ByteSize(); ++i) s.Data()[i] = uint8_t(i >> 8), n.Data()[i] = uint8_t(i);
}

TEST(Effect, FadeMovesEachByteTowardsTheNewPicture) {
  Picture s = Grey(2, 1, 100), n = Grey(2, 1, 0);
  s.Data()[3] = 0, n.Data()[3] = 100;
  Effect(kFade, s, n, 0, 25);
  EXPECT_EQ(s.Data()[0], 90);  // 100 * 25 / 255 = 9, one more
  EXPECT_EQ(s.Data()[3], 10);
  // From 200 on a quarter of the difference, truncated: differences of 3 stay.
  s = Grey(3, 1, 90), n = Grey(3, 1, 0);
  s.Data()[1] = 3, s.Data()[2] = 0, n.Data()[2] = 3;
  Effect(kFade, s, n, 180, 200);
  EXPECT_EQ(s.Data()[0], 68);
  EXPECT_EQ(s.Data()[1], 3);
  EXPECT_EQ(s.Data()[2], 0);
  // Before 200: at least one step for every differing byte, never past N,
  // and nothing at all when the progress did not advance.
  Picture s0, n0;
  AllPairs(s0, n0);
  for (int delta : {0, 1, 25, 199}) {
    Picture t = s0;
    Effect(kFade, t, n0, 0, delta);
    for (size_t i = 0; i < t.ByteSize(); ++i) {
      const int before = s0.Data()[i] - n0.Data()[i], after = t.Data()[i] - n0.Data()[i];
      if (delta == 0 || before == 0) {
        ASSERT_EQ(after, before);
      } else {
        ASSERT_LT(std::abs(after), std::abs(before)) << delta << ' ' << i;
        ASSERT_TRUE(after == 0 || (after > 0) == (before > 0)) << delta << ' ' << i;
      }
    }
  }
}

TEST(Effect, FastFadeMatchesTheTableForEveryBytePairAndStep) {
  Picture s0, n0;
  AllPairs(s0, n0);
  // Progress from a caller other than a layer may step further than a tick
  // does; -55 to 199 is the largest step the direct computation takes.
  for (int prev = -55; prev < 256; prev += 17)
    for (int cur : {prev, prev + 1, prev + 26, prev + 60, 199, 200, 255}) {
      if (cur < prev) continue;
      Picture fast = s0, plain = s0;
      Effect(kFade, fast, n0, prev, cur);
      EffectReference(kFade, plain, n0, prev, cur);
      ASSERT_EQ(fast, plain) << prev << ' ' << cur;
    }
}

TEST(Effect, MeshRevealsTwoPixelsOfEachWholeBlockPerStep) {
  // 10 x 6: two whole blocks across, one down; the last two columns and rows
  // belong to no whole block.
  const Picture n = Grey(10, 6, 200);
  Picture s = Grey(10, 6, 100);
  Effect(kMesh, s, n, 20, 40);  // step 0 completed, step 1 half-way
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) {
      const int bx = x % 4, by = y;
      int want = 100;
      if (x < 8 && y < 4) {
        if ((bx == 0 && by == 0) || (bx == 2 && by == 2)) want = 200;
        if ((bx == 1 && by == 0) || (bx == 3 && by == 2)) want = 150;
      }
      EXPECT_EQ(s.Pixel(x, y)[0], want) << x << ',' << y;
    }
  // Ticking through every step in order reveals every pixel of every whole
  // block; the edge strips wait for the final copy.
  s = Grey(10, 6, 100);
  int prev = 0;
  for (int cur = 25; cur <= 280; cur += 25) {
    Effect(kMesh, s, n, prev, cur);
    prev = cur;
  }
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(s.Pixel(x, y)[1], x < 8 && y < 4 ? 200 : 100) << x << ',' << y;
}

TEST(Effect, FallMovesACurtainWithASoftEdge) {
  const Picture n = Grey(4, 600, 0);
  Picture s = Grey(4, 600, 255);
  Effect(kFall, s, n, 0, 128);  // edge at (727 * 128) div 256 - 127 = 236
  EXPECT_EQ(s.Pixel(0, 0)[0], 0);
  EXPECT_EQ(s.Pixel(0, 235)[0], 0);
  EXPECT_EQ(s.Pixel(0, 236)[0], 0);              // i = 0: N exactly
  EXPECT_EQ(s.Pixel(0, 237)[0], 255 * 2 / 256);  // i = 1
  EXPECT_EQ(s.Pixel(0, 363)[0], 255 * 254 / 256);
  EXPECT_EQ(s.Pixel(3, 364)[2], 255);  // below the band: untouched
  // At 0 the edge is at -127, so only row 0 (i = 127) is touched.
  s = Grey(4, 600, 255);
  Effect(kFall, s, n, 0, 0);
  EXPECT_EQ(s.Pixel(0, 0)[0], 255 * 254 / 256);
  EXPECT_EQ(s.Pixel(0, 1)[0], 255);
  // At 255 the edge is at 597; rows from 129 above the previous edge on are
  // copied, completing what the previous band left half-blended.
  s = Grey(4, 600, 255);
  Effect(kFall, s, n, 230, 255);  // top = 727 * 230 div 256 - 256 = 397
  EXPECT_EQ(s.Pixel(0, 396)[0], 255);
  EXPECT_EQ(s.Pixel(0, 397)[0], 0);
  EXPECT_EQ(s.Pixel(0, 597)[0], 0);
  EXPECT_EQ(s.Pixel(0, 599)[0], 255 * 4 / 256);
}

TEST(Effect, NoiseMovesAboutHalfTheBytesBySeededChoice) {
  std::mt19937 rng(5);
  const Picture s0 = Random(200, 50, rng), n = Random(200, 50, rng);
  Picture s = s0;
  SeedEffectNoise(1);
  Effect(kNoise, s, n, 0, 0);
  EXPECT_EQ(s, s0);  // progress 0 moves nothing
  Picture a = s0, b = s0;
  SeedEffectNoise(7);
  Effect(kNoise, a, n, 0, 128);
  SeedEffectNoise(7);
  EffectReference(kNoise, b, n, 0, 128);
  EXPECT_EQ(a, b);  // the same seed gives the same choice, fast or plain
  int moved = 0, differing = 0;
  for (size_t i = 0; i < a.ByteSize(); ++i) {
    const int d = s0.Data()[i] - n.Data()[i];
    if (d == 0) continue;
    ++differing;
    if (a.Data()[i] != s0.Data()[i]) {
      ++moved;
      ASSERT_EQ(a.Data()[i], s0.Data()[i] - d * 128 / 256);
    }
  }
  EXPECT_GT(moved, differing * 3 / 10);
  EXPECT_LT(moved, differing * 7 / 10);
  Picture c = s0;
  Effect(kNoise, c, n, 0, 128);  // a fresh choice on the next tick
  EXPECT_NE(c, a);
}

TEST(Effect, ScanAlternatesRowsEveryFourCallsAcrossTheProcess) {
  ResetScanCounter();
  const Picture n = Grey(2, 4, 255);
  auto changedRows = [&](int cur) {
    Picture s = Grey(2, 4, 0);
    Effect(kScan, s, n, 0, cur);
    std::string rows;
    for (int y = 0; y < 4; ++y) rows += s.Pixel(0, y)[0] ? char('0' + y) : '.';
    return rows;
  };
  std::vector<std::string> seen;
  for (int call = 1; call <= 9; ++call) seen.push_back(changedRows(128));
  EXPECT_EQ(seen, (std::vector<std::string>{"0.2.", "0.2.", "0.2.", ".1.3", ".1.3", ".1.3", ".1.3",
                                            "0.2.", "0.2."}));
  EXPECT_EQ(ScanCounter(), 9);
  Picture s = Grey(1, 1, 0);
  ResetScanCounter();
  Effect(kScan, s, Grey(1, 1, 255), 0, 300);  // clamped to 255
  EXPECT_EQ(s.Data()[0], 255 * 255 / 256);
}

TEST(Effect, UnknownKindsAndMismatchedPicturesChangeNothing) {
  std::mt19937 rng(3);
  const Picture n = Random(8, 8, rng), s0 = Random(8, 8, rng);
  for (int kind : {5, 6, -1, 1000}) {
    Picture s = s0;
    Effect(kind, s, n, 0, 128);
    EXPECT_EQ(s, s0) << kind;
  }
  for (int kind = 0; kind <= 4; ++kind) {
    Picture s = s0;
    Effect(kind, s, Random(9, 8, rng), 0, 128);
    EXPECT_EQ(s, s0) << kind;
    Picture wide(8, 8, Format::BGRA32, 0);
    Effect(kind, s, wide, 0, 128);
    EXPECT_EQ(s, s0) << kind;
    // Pictures without pixels (0 wide, or 0 high) have nothing to move; the
    // sanitizer build sees that no null row is handed to a copy.
    for (auto [w, h] : {std::pair{0, 600}, std::pair{800, 0}}) {
      Picture e(w, h, Format::BGR24, 0), f(w, h, Format::BGR24, 0);
      for (int cur : {0, 128, 255}) EffectReference(kind, e, f, 0, cur);
      for (int cur : {0, 128, 255}) Effect(kind, e, f, 0, cur);
      EXPECT_EQ(e.Width(), w);
    }
  }
}

TEST(Effect, FastRoutinesMatchThePlainOnesOverWholeTransitions) {
  std::mt19937 rng(11);
  for (int kind = 0; kind <= 4; ++kind)
    for (int w : {1, 7, 33, 101}) {
      std::vector<std::pair<int, int>> steps;
      for (int prev = 0, cur; prev <= 255; prev = cur) {
        cur = prev + 1 + int(rng() % 60);
        steps.push_back({prev, std::min(cur, 255)});
      }
      const Picture n = Random(w, 37, rng);
      Picture fast = Random(w, 37, rng), plain = fast;
      SeedEffectNoise(42);
      ResetScanCounter();
      for (auto [prev, cur] : steps) Effect(kind, fast, n, prev, cur);
      SeedEffectNoise(42);
      ResetScanCounter();
      for (auto [prev, cur] : steps) EffectReference(kind, plain, n, prev, cur);
      ASSERT_EQ(fast, plain) << kind << ' ' << w;
    }
}

}  // namespace
}  // namespace vantel

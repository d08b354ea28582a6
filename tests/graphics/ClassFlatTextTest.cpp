#include "graphics/ClassFlatText.h"

#include <gtest/gtest.h>

#include <vector>

#include "data/FuncFile.h"
#include "platform/FontText.h"
#include "shell/ClassGlobal.h"
#include "support/PictureFixtures.h"

namespace vantel {
namespace {

using testing::BoundingBox;
using testing::Box;

bool Inked(const uint8_t* px) {
  return px[3] > 0;
}

class FlatText : public ::testing::Test {
 protected:
  FlatText() : t(nullptr, &SharedFontText()) {}
  // A page of single letters on lines of their own.
  static Bytes Lines(std::initializer_list<const char*> letters) {
    Bytes s;
    for (const char* l : letters) s += (s.empty() ? "" : "\r\n*br\r\n") + Sjis(l);
    return s;
  }
  int Ticks(int n) {  // letters revealed by n ticks
    const int before = t.FLetters.Count();
    for (int i = 0; i < n; ++i) t.Signal(100, 0, 0);
    return before - t.FLetters.Count();
  }
  TFlatText t;
};

TEST_F(FlatText, LinesFillTheBoxAndThenStop) {
  t.SetBox(10, 20, 300, 120);
  EXPECT_EQ(t.FPicture.Width(), 300);
  EXPECT_TRUE(t.FPicture.Is32());
  EXPECT_EQ(t.FLetters.FLineWidth, 300);
  const Bytes page = "*font,color,#336699,size,23\r\n" + Lines({"一", "二", "三", "四"});
  EXPECT_TRUE(t.AddText(page));
  EXPECT_EQ(t.FPageText, page);
  EXPECT_FALSE(t.FDone);
  t.RevealAll();
  // Three lines fit (centres 22, 56, 90); the fourth (124 > 98) sets FFull
  // and its letter stays queued.
  EXPECT_TRUE(t.FFull);
  EXPECT_FALSE(t.FDone);
  EXPECT_EQ(t.FLetters.Count(), 1);
  EXPECT_FALSE(t.RevealNext());
  EXPECT_EQ(Ticks(5), 0);

  // Each letter's cell starts at its line's centre - 23 div 2: rows 11, 45, 79;
  // 一 has no ink in its top rows or left columns, so only the colour is there.
  const Box ink = BoundingBox(t.FPicture, Inked);
  ASSERT_FALSE(ink.Empty());
  EXPECT_GT(ink.top, 11);
  EXPECT_LE(ink.bottom, 79 + 23);
  EXPECT_LE(ink.right, 23);
  // The text is the size the data was made for: the face named (here the
  // default) has a cell of one em, so 一 at size 23 spans nearly its 23-pixel
  // cell, not the two thirds of it that the stand-in's own metrics would give.
  EXPECT_GE(ink.right - ink.left, 19);
  const uint8_t* corner = t.FPicture.Pixel(0, 11);
  EXPECT_EQ(corner[0], 0x99);
  EXPECT_EQ(corner[1], 0x66);
  EXPECT_EQ(corner[2], 0x33);
  EXPECT_EQ(corner[3], 0);
  EXPECT_EQ(t.FPicture.Pixel(0, 10)[0], 0xFF);  // above the first letter: untouched
  // Wherever there is alpha, there is the letter's colour; each line has ink.
  for (int y = 0; y < t.FPicture.Height(); ++y)
    for (int x = 0; x < t.FPicture.Width(); ++x)
      if (t.FPicture.Pixel(x, y)[3]) {
        ASSERT_EQ(t.FPicture.Pixel(x, y)[1], 0x66);
      }
  for (int top : {11, 45, 79}) {
    int inked = 0;
    for (int y = top; y < top + 12; ++y)
      for (int x = 0; x < 12; ++x) inked += t.FPicture.Pixel(x, y)[3] > 0;
    EXPECT_GT(inked, 0) << top;
  }

  // Clearing the page drops the waiting letter and every alpha, keeps FDone.
  t.ClearPage();
  EXPECT_FALSE(t.FFull);
  EXPECT_EQ(t.FLetters.Count(), 0);
  EXPECT_TRUE(t.FPageText.empty());
  EXPECT_TRUE(BoundingBox(t.FPicture, Inked).Empty());
  EXPECT_EQ(t.FPicture.Pixel(0, 11)[0], 0x99);  // colour bytes stay
  EXPECT_FALSE(t.FDone);
  EXPECT_FALSE(t.RevealNext());
  EXPECT_TRUE(t.FDone);

  // A chunk of tags only leaves the page as it was.
  EXPECT_FALSE(t.AddText("*b\r\n*/b"));
  EXPECT_TRUE(t.FDone);
  EXPECT_TRUE(t.FPageText.empty());
}

TEST_F(FlatText, EverythingDrawnStaysInTheBox) {
  // Size 56 on the first line starts 6 rows above the box; a letter wider
  // than the box, ruby hanging off the left edge: all clipped.
  t.SetBox(0, 0, 40, 70);
  t.AddText("*font,size,56\r\nW" + Sjis("漢") + "\r\n*font,size,10\r\n*r,text," +
            Sjis("あいうえおかきくけこ") + "\r\n" + Sjis("一"));
  t.RevealAll();
  EXPECT_EQ(t.FPicture.Width(), 40);
  EXPECT_EQ(t.FPicture.Height(), 70);
  EXPECT_FALSE(BoundingBox(t.FPicture, Inked).Empty());
  // A box too small for any line, and no box at all.
  TFlatText tiny(nullptr, &SharedFontText());
  tiny.SetBox(0, 0, 5, 30);
  tiny.AddText(Sjis("一二"));
  tiny.RevealAll();
  EXPECT_TRUE(tiny.FFull);
  TFlatText none(nullptr, &SharedFontText());
  none.AddText(Sjis("一二"));
  none.RevealAll();
  // Boxes with no room (a text box layout's width of 20 or less leaves
  // nothing between the margins) hold no pixels and draw nothing.
  for (auto [w, h] : {std::pair{0, 120}, std::pair{-20, 120}, std::pair{300, -5}}) {
    TFlatText empty(nullptr, &SharedFontText());
    empty.SetBox(10, 10, w, h);
    EXPECT_EQ(empty.FPicture.Width(), std::max(w, 0));
    EXPECT_EQ(empty.FPicture.Height(), std::max(h, 0));
    empty.AddText(Sjis("一二") + "\r\n*r,text," + Sjis("かな") + "\r\n" + Sjis("三"));
    empty.RevealAll();
    empty.ClearPage();
  }
}

TEST_F(FlatText, RevealSpeedFollowsTheMessageStep) {
  struct Installed {  // the global state for this test only
    Tglobal state;
    Tglobal* saved = Global;
    Installed() { Global = &state; }
    ~Installed() { Global = saved; }
  } installed;
  Tglobal& global = installed.state;
  global.MessageStep = 50;
  t.SetBox(0, 0, 700, 600);
  Bytes many;
  for (int i = 0; i < 60; ++i) many += Sjis("あ");
  // 50 (the default): speed 100: nothing on the first tick, then one a tick.
  t.AddText(many);
  EXPECT_EQ(t.FRevealSpeed, 100);
  EXPECT_EQ(Ticks(1), 0);
  EXPECT_EQ(Ticks(1), 1);
  EXPECT_EQ(Ticks(1), 1);
  EXPECT_EQ(t.FRevealAcc, 100);

  // 255: speed 510: five on the first tick, then five or six.
  t.ClearPage();
  t.FRevealAcc = 0;
  global.MessageStep = 255;
  t.AddText(many);
  EXPECT_EQ(t.FRevealSpeed, 510);
  EXPECT_EQ(Ticks(1), 5);
  int total = 5;
  for (int i = 1; i < 10; ++i) {
    const int n = Ticks(1);
    EXPECT_TRUE(n == 5 || n == 6) << n;
    total += n;
  }
  EXPECT_EQ(total, 50);
  EXPECT_EQ(t.FRevealAcc, 100);

  // 1: speed 2: the first letter on the 51st tick, then one every 50.
  t.ClearPage();
  t.FRevealAcc = 0;
  global.MessageStep = 1;
  t.AddText(Sjis("あいう"));
  EXPECT_EQ(Ticks(50), 0);
  EXPECT_EQ(Ticks(1), 1);
  EXPECT_EQ(Ticks(49), 0);
  EXPECT_EQ(Ticks(1), 1);
  // The remainder carries over; it stands still while the page is done, and
  // revealing does not need the layer to be visible.
  t.FVisible = false;
  EXPECT_EQ(Ticks(50), 1);
  t.Signal(100, 0, 0);  // finds the queue empty: done
  EXPECT_TRUE(t.FDone);
  const int acc = t.FRevealAcc;
  Ticks(30);
  EXPECT_EQ(t.FRevealAcc, acc);
  t.AddText(Sjis("え"));  // continues the same page
  EXPECT_FALSE(t.FDone);
  Ticks(30);
  EXPECT_EQ(t.FRevealAcc, acc + 60);
  // A setting that was never loaded still shows the text.
  global.MessageStep = 0;
  t.AddText(Sjis("お"));
  EXPECT_EQ(t.FRevealSpeed, 2);
  // A setting beyond its range does not overflow twice its value.
  global.MessageStep = INT32_MAX;
  t.AddText(Sjis("か"));
  EXPECT_EQ(t.FRevealSpeed, 510);
}

TEST_F(FlatText, RubySpreadsOverItsBaseOrSitsSolidAboveIt) {
  FontRequest ruby;
  ruby.face = "SIMHEI";
  ruby.height = 10;
  const int ka = SharedFontText().Measure(ruby, Sjis("か")).width;
  const int na = SharedFontText().Measure(ruby, Sjis("な")).width;
  t.SetBox(0, 0, 600, 200);

  // Two ruby characters over a wide base: spaced, pitch span div 2. Letters
  // of size 23 have their tops at row 11, so alpha above it is ruby.
  auto rubyBox = [&] {
    return BoundingBox(
        t.FPicture, [](const uint8_t* px) { return px[3] > 0; }, 11);
  };
  t.AddText("*font,size,23\r\n" + Sjis("一") + "\r\n*r,text," + Sjis("かな") + "\r\n" +
            Sjis("仮名字") + "\r\n*/r\r\n");
  ASSERT_EQ(t.FLetters.Letter(1).RubyIndex, 1);
  const int x = t.FLetters.Letter(1).X, span = t.FLetters.Letter(1).RubySpan;
  ASSERT_LT(ka + na, span);
  t.RevealAll();
  const int pitch = span / 2, off = (span - (pitch + 9)) / 2;
  const Box all = rubyBox();
  ASSERT_FALSE(all.Empty());
  EXPECT_GE(all.top, 22 - 21);
  EXPECT_GE(all.left, x + off);
  EXPECT_LE(all.right, x + off + pitch + na);
  // Nothing between the two glyphs.
  for (int y = 0; y < 11; ++y)
    for (int c = x + off + ka; c < x + off + pitch; ++c) ASSERT_EQ(t.FPicture.Pixel(c, y)[3], 0);

  // Four characters over one narrow letter: set solid, centred on it.
  t.ClearPage();
  t.AddText("*font,size,23,color,black\r\n" + Sjis("一") + "\r\n*r,text," + Sjis("かなかな") +
            "\r\n" + Sjis("仮") + "\r\n*/r");
  const TLet base = t.FLetters.Letter(1);
  const int tw = 2 * (ka + na);
  ASSERT_GE(tw, base.RubySpan);
  ASSERT_LE(tw, base.RubySpan + 20);
  t.RevealAll();
  const Box solid = rubyBox();
  const int xs = base.X + (base.RubySpan - tw) / 2;
  EXPECT_GE(solid.left, xs);
  EXPECT_GT(solid.right, xs + tw - na);
  EXPECT_LE(solid.right, xs + tw);
  // Black ruby is drawn in 0x010101, never in the background's black.
  auto rubyPixels = [&](auto check) {
    int inked = 0;
    for (int y = 0; y < 11; ++y)
      for (int c = 0; c < 600; ++c)
        if (const uint8_t* px = t.FPicture.Pixel(c, y); px[3] > 0) {
          check(px);
          ++inked;
        }
    return inked;
  };
  EXPECT_GT(rubyPixels([](const uint8_t* px) {
              ASSERT_EQ(px[0], 1);
              ASSERT_EQ(px[1], 1);
              ASSERT_EQ(px[2], 1);
            }),
            0);

  // Ruby shows in its letter's colour at every pixel, however faint the
  // anti-aliased edge: the coverage goes into the alpha (200 at most), never
  // into the colour. White ruby over a dark box stays white.
  for (const char* colour : {"white", "#ffe080"}) {
    t.ClearPage();
    t.AddText("*font,size,23,color," + Bytes(colour) + "\r\n" + Sjis("一") + "\r\n*r,text," +
              Sjis("かな") + "\r\n" + Sjis("仮名") + "\r\n*/r");
    t.RevealAll();
    const Colour c = ColorOf(colour);
    int faint = 0, strong = 0;
    EXPECT_GT(rubyPixels([&](const uint8_t* px) {
                ASSERT_EQ(px[0], uint8_t(c >> 16)) << colour;
                ASSERT_EQ(px[1], uint8_t(c >> 8)) << colour;
                ASSERT_EQ(px[2], uint8_t(c)) << colour;
                ASSERT_LE(px[3], 200);
                faint += px[3] < 100;
                strong += px[3] >= 150;
              }),
              0);
    EXPECT_GT(faint, 0);   // the edges are anti-aliased
    EXPECT_GT(strong, 0);  // the strokes are nearly solid
  }
}

TEST_F(FlatText, ALetterMarksOnlyItsOwnCells) {
  t.FVisible = true;
  t.SetBox(120, 420, 600, 150);
  t.AddText("*font,size,20\r\n" + Sjis("一二三四五六七八九十"));
  t.RevealNext();
  t.FillDirty(0);
  // 二 is drawn at (X, 22 - 10) with the extent measured at twice its size;
  // only the cells that rectangle touches, with a pixel's margin, are marked.
  const int x = t.FLetters.Letter(0).X;
  FontRequest f;
  f.height = 40;
  const TextExtent e = SharedFontText().Measure(f, Sjis("二"));
  const int gw = (e.width - 2) / 2, gh = (e.height - 2) / 2;
  t.RevealNext();
  for (int i = 0; i < Tflat::kColumns; ++i)
    for (int j = 0; j < Tflat::kRows; ++j) {
      const bool inside = i >= (120 + x - 1) / 50 && i <= (120 + x + gw + 1) / 50 &&
                          j >= (420 + 12 - 1) / 50 && j <= (420 + 12 + gh + 1) / 50;
      EXPECT_EQ(t.IsDirty(i, j), inside) << i << "," << j;
    }
}

}  // namespace
}  // namespace vantel

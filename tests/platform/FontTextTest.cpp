#include "platform/FontText.h"

#include <gtest/gtest.h>

#include "base/Bytes.h"
#include "support/PictureFixtures.h"

namespace vantel {
namespace {

FontRequest Font(const Bytes& face, int height, bool bold = false, bool italic = false,
                 CodePage cp = CodePage::CP932) {
  FontRequest f;
  f.face = face;
  f.height = height;
  f.bold = bold;
  f.italic = italic;
  f.codePage = cp;
  return f;
}

// Sum of a picture's blue bytes: the ink of white-on-black text.
long Ink(const Picture& p) {
  long sum = 0;
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) sum += p.Pixel(x, y)[0];
  return sum;
}

// Bounding box of the non-black pixels: left, top, right, bottom (exclusive).
using testing::Box;

Box InkBox(const Picture& p) {
  return testing::BoundingBox(p, [](const uint8_t* px) { return (px[0] | px[1] | px[2]) != 0; });
}

Picture Black(int w = 120, int h = 120) {
  return Picture(w, h, Picture::Format::BGR24, 0);
}

TEST(FontText, HeightIsTheCellHeight) {
  FontText& t = SharedFontText();
  const Bytes& a = Sjis("あ");
  for (int h : {10, 23, 46, 112}) {
    // An installed face has its own cell: a full-width character advances one
    // em, cell * unitsPerEm / (winAscent + winDescent), about 0.69 of the cell
    // for the CJK faces.
    const TextExtent own = t.Measure(Font("Noto Sans CJK JP", h), a);
    EXPECT_EQ(own.height, h);
    EXPECT_NEAR(own.width, h * 1000 / 1448, 1) << h;
    // A stand-in for a face the data names is sized as that face: the Windows
    // CJK faces' cell is one em, so the character is as wide as the cell is high.
    for (const Bytes& face : {Sjis("ＭＳ ゴシック"), Sjis("ＭＳ 明朝"), Bytes("SIMHEI"), Bytes()}) {
      const TextExtent e = t.Measure(Font(face, h), a);
      EXPECT_EQ(e.height, h);
      EXPECT_EQ(e.width, h) << h;
    }
  }
  // Negative heights give the em; 0 a default cell; absurd heights are bounded.
  EXPECT_NEAR(t.Measure(Font("Noto Sans CJK JP", -20), a).width, 20, 1);
  EXPECT_NEAR(t.Measure(Font("Noto Sans CJK JP", -20), a).height, 29, 1);
  EXPECT_EQ(t.Measure(Font("", -20), a).width, 20);
  EXPECT_EQ(t.Measure(Font("", -20), a).height, 20);
  EXPECT_EQ(t.Measure(Font("", 0), a).height, 16);
  EXPECT_EQ(t.Measure(Font("", 100000), a).height, 1024);
  // Widths add up character by character; an empty text is one cell high.
  const FontRequest f = Font("", 23);
  EXPECT_EQ(t.Measure(f, Sjis("Aあ、")).width,
            t.Measure(f, "A").width + t.Measure(f, a).width + t.Measure(f, Sjis("、")).width);
  EXPECT_LT(t.Measure(f, "i").width, t.Measure(f, a).width);
  EXPECT_EQ(t.Measure(f, "").width, 0);
  EXPECT_EQ(t.Measure(f, "").height, 23);
  const FontText::CellMetrics own = t.Metrics(Font("Noto Sans CJK JP", 23));
  EXPECT_EQ(own.height, 23);
  EXPECT_EQ(own.ascent, (23 * 1160 + 724) / 1448);
  EXPECT_EQ(own.em, 16);
  // A stand-in's em box fills the cell: the baseline at the typographic ascender.
  const FontText::CellMetrics m = t.Metrics(f);
  EXPECT_EQ(m.height, 23);
  EXPECT_EQ(m.ascent, (23 * 880 + 500) / 1000);
  EXPECT_EQ(m.em, 23);
}

TEST(FontText, FaceNamesMapToInstalledFonts) {
  FontText& t = SharedFontText();
  EXPECT_EQ(t.Resolve(Font(Sjis("ＭＳ 明朝"), 20)).family, "Noto Serif CJK JP");
  EXPECT_EQ(t.Resolve(Font(Sjis("ＭＳ Ｐ明朝"), 20)).family, "Noto Serif CJK JP");
  EXPECT_EQ(t.Resolve(Font("MS Mincho", 20)).family, "Noto Serif CJK JP");
  EXPECT_EQ(t.Resolve(Font(Sjis("ＭＳ ゴシック"), 20)).family, "Noto Sans CJK JP");
  EXPECT_EQ(t.Resolve(Font("MS Gothic", 20)).family, "Noto Sans CJK JP");
  EXPECT_EQ(t.Resolve(Font("SIMHEI", 10)).family, "Noto Sans CJK JP");
  EXPECT_EQ(t.Resolve(Font(Gbk("宋体"), 20, false, false, CodePage::GBK)).family,
            "Noto Serif CJK SC");
  EXPECT_EQ(t.Resolve(Font("SimHei", 20, false, false, CodePage::GBK)).family, "Noto Sans CJK SC");
  EXPECT_EQ(t.Resolve(Font("No Such Face", 20)).family, "Noto Sans CJK JP");
  EXPECT_EQ(t.Resolve(Font("", 20)).family, "Noto Sans CJK JP");
  // An installed family is used as it is, whatever the case of its name.
  EXPECT_EQ(t.Resolve(Font("dejavu serif", 20)).family, "DejaVu Serif");
  EXPECT_FALSE(t.Resolve(Font("dejavu serif", 20)).standIn);
  EXPECT_FALSE(t.Resolve(Font("Noto Sans CJK JP", 20)).standIn);
  for (const Bytes& face : {Sjis("ＭＳ 明朝"), Bytes("SimHei"), Bytes("No Such Face"), Bytes()})
    EXPECT_TRUE(t.Resolve(Font(face, 20)).standIn) << face;

  // Real bold faces are used; styles a font lacks are synthesised.
  const FontText::Resolved bold = t.Resolve(Font("MS Gothic", 20, true));
  EXPECT_NE(bold.file, t.Resolve(Font("MS Gothic", 20)).file);
  EXPECT_FALSE(bold.syntheticBold);
  EXPECT_TRUE(t.Resolve(Font("MS Gothic", 20, false, true)).syntheticItalic);
  EXPECT_TRUE(t.Resolve(Font("Noto Mono", 20, true)).syntheticBold);
  EXPECT_FALSE(t.Resolve(Font("DejaVu Serif", 20, false, true)).syntheticItalic);
}

TEST(FontText, DrawsCoverageInsideTheCell) {
  FontText& t = SharedFontText();
  for (const FontRequest& f : {Font(Sjis("ＭＳ 明朝"), 46), Font("Noto Sans CJK JP", 46)}) {
    for (const Bytes& text : {Sjis("あ"), Sjis("漢"), Sjis("「"), Bytes("g"), Bytes("W")}) {
      Picture p = Black();
      t.Draw(p, 10, 20, f, 0xFFFFFF, text);
      const TextExtent e = t.Measure(f, text);
      const Box b = InkBox(p);
      ASSERT_GT(b.right, 0) << text;
      EXPECT_GE(b.left, 10) << text;
      EXPECT_GE(b.top, 20) << text;
      // (A serif W may overhang its advance by a pixel.)
      EXPECT_LE(b.right, 10 + e.width + (text == "W" ? 1 : 0)) << text;
      // Only a stand-in's deep Latin descender reaches below the one-em cell.
      const bool descender = text == "g" && t.Resolve(f).standIn;
      EXPECT_LE(b.bottom, 20 + e.height + (descender ? e.height * 3 / 10 : 0)) << text;
      // The ideographs of a stand-in fill its cell, as the named face's do.
      if (text == Sjis("漢") && t.Resolve(f).standIn) {
        EXPECT_GE(b.bottom - b.top, e.height * 85 / 100);
      }
      // White on black: every channel carries the coverage, and strokes are solid.
      int full = 0;
      for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
          const uint8_t* q = p.Pixel(x, y);
          ASSERT_TRUE(q[0] == q[1] && q[1] == q[2]);
          full += q[0] == 255;
        }
      EXPECT_GT(full, 0) << text;
    }
  }
}

TEST(FontText, ClipsAndBlendsInTheGivenColour) {
  FontText& t = SharedFontText();
  const FontRequest f = Font("", 40);
  const Bytes& text = Sjis("漢字");
  Picture whole = Black(), shifted = Black();
  t.Draw(whole, 0, 0, f, 0xFFFFFF, text);
  t.Draw(shifted, -7, -9, f, 0xFFFFFF, text);  // hangs off the top-left corner
  for (int y = 0; y + 9 < 120; ++y)
    for (int x = 0; x + 7 < 120; ++x)
      ASSERT_EQ(shifted.Pixel(x, y)[0], whole.Pixel(x + 7, y + 9)[0]);
  Picture tiny = Black(3, 3);
  t.Draw(tiny, 1, 1, f, 0xFFFFFF, text);         // far larger than the picture
  t.Draw(tiny, 5000, -5000, f, 0xFFFFFF, text);  // entirely outside
  // Beside the picture at the ends of the int range: no pixel is even addressed.
  Picture beside = Black(40, 40);
  t.Draw(beside, INT32_MAX - 10, 0, f, 0xFFFFFF, text);
  t.Draw(beside, INT32_MIN + 10, 0, f, 0xFFFFFF, text);
  EXPECT_EQ(beside, Black(40, 40));
  Picture empty;
  t.Draw(empty, 0, 0, f, 0xFFFFFF, text);

  // Red on white, in a 32-bit picture: red stays full, green and blue fall
  // with the coverage, alpha is left alone.
  Picture p(60, 60, Picture::Format::BGRA32, 0xFFFFFF);
  p.Fill(0xFFFFFF, 77);
  t.Draw(p, 0, 0, f, 0x0000FF, Sjis("漢"));
  int inked = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) {
      const uint8_t* q = p.Pixel(x, y);
      EXPECT_EQ(q[2], 255);
      EXPECT_EQ(q[0], q[1]);
      EXPECT_EQ(q[3], 77);
      inked += q[0] == 0;
    }
  EXPECT_GT(inked, 0);
}

TEST(FontText, StylesAndFallbackGlyphs) {
  FontText& t = SharedFontText();
  const Bytes& kan = Sjis("漢");
  auto render = [&](const FontRequest& f, const Bytes& text) {
    Picture p = Black();
    t.Draw(p, 10, 10, f, 0xFFFFFF, text);
    return p;
  };
  // Synthetic bold puts on ink; synthetic italic leans the top to the right.
  const Picture regular = render(Font("Noto Mono", 40), "l");
  const Picture bold = render(Font("Noto Mono", 40, true), "l");
  EXPECT_GT(Ink(bold), Ink(regular) * 11 / 10);
  EXPECT_GE(t.Measure(Font("Noto Mono", 40, true), "l").width,
            t.Measure(Font("Noto Mono", 40), "l").width);
  const Picture upright = render(Font("", 60), "l");
  const Picture leaning = render(Font("", 60, false, true), "l");
  const Box u = InkBox(upright), l = InkBox(leaning);
  EXPECT_GT(l.right - l.left, u.right - u.left + 3);
  // A character the chosen face lacks comes from the CJK face, at the same em.
  const Picture fromMono = render(Font("Noto Mono", 40), kan);
  EXPECT_GT(Ink(fromMono), 0);
  EXPECT_NEAR(t.Measure(Font("Noto Mono", 40), kan).width, t.Metrics(Font("Noto Mono", 40)).em, 1);
  // Bytes that are no CP932 character neither crash nor vanish silently into a longer text.
  EXPECT_GE(t.Measure(Font("", 20), std::string("\x81\x20\xFF", 3)).width, 0);
  render(Font("", 20), std::string("\x81\x20\xFF\x00", 4));
}

TEST(FontText, CachedGlyphsWriteTheSamePixels) {
  FontText& t = SharedFontText();
  const FontRequest f = Font(Sjis("ＭＳ 明朝"), 46, true, true);
  const Bytes text = Sjis("仮名、Ab。");
  Picture cold = Black(400, 80), warm = Black(400, 80), again = Black(400, 80);
  t.SetGlyphCache(false);
  t.Draw(cold, 3, 4, f, 0x3366CC, text);
  t.SetGlyphCache(true);
  t.Draw(warm, 3, 4, f, 0x3366CC, text);
  t.Draw(again, 3, 4, f, 0x3366CC, text);
  EXPECT_EQ(cold, warm);
  EXPECT_EQ(warm, again);
}

}  // namespace
}  // namespace vantel

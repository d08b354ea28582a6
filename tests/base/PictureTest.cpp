#include "base/Picture.h"

#include <gtest/gtest.h>

#include "base/Errors.h"

namespace vantel {

TEST(Picture, ResizeKeepsOverlapAndFillsTheNewArea) {
  Picture p(2, 2, Picture::Format::BGR24, 0x0000FF);  // red: B G R = 00 00 FF
  EXPECT_EQ(p.Pixel(1, 1)[2], 0xFF);
  p.Pixel(0, 0)[0] = 7;
  p.SetFillColour(0x00FF00);
  p.SetSize(3, 1);
  EXPECT_EQ(p.Pixel(0, 0)[0], 7);     // kept
  EXPECT_EQ(p.Pixel(1, 0)[2], 0xFF);  // kept
  EXPECT_EQ(p.Pixel(2, 0)[1], 0xFF);  // new: green
  EXPECT_EQ(p.Pixel(2, 0)[2], 0x00);
  Picture same = p;
  same.SetFillColour(0xFFFFFF);
  same.SetWidth(3);  // the size it already has: nothing changes
  EXPECT_EQ(same, p);
  // Sizes whose strides or buffer would overflow int are refused, unchanged.
  const Picture before = p;
  EXPECT_THROW(p.SetSize(1 << 30, 1), DataError);
  EXPECT_THROW(p.SetHeight(Picture::kMaxSide + 1), DataError);
  EXPECT_THROW(p.SetSize(Picture::kMaxSide, Picture::kMaxSide), DataError);
  EXPECT_THROW(Picture(1 << 29, 4, Picture::Format::BGRA32), DataError);
  EXPECT_EQ(p, before);
  p.SetSize(Picture::kMaxSide, 2);
  EXPECT_EQ(p.Stride(), Picture::kMaxSide * 3);
  p.SetSize(-5, 0);
  EXPECT_TRUE(p.Empty());
}

TEST(Picture, FormatChangeKeepsColour) {
  Picture p(1, 1, Picture::Format::BGR24, 0x123456);
  p.SetPixelFormat(Picture::Format::BGRA32);
  ASSERT_EQ(p.BytesPerPixel(), 4);
  EXPECT_EQ(p.Pixel(0, 0)[0], 0x12);
  EXPECT_EQ(p.Pixel(0, 0)[2], 0x56);
  EXPECT_EQ(p.Pixel(0, 0)[3], 0);
  p.FillRect(-3, -3, 10, 10, 0xFFFFFF, 200);
  EXPECT_EQ(p.Pixel(0, 0)[3], 200);
}

}  // namespace vantel

namespace vantel {

TEST(Picture, NewAreaTakesTheFillInEveryFormat) {
  for (Colour c : {Colour{0x000000}, Colour{0x808080}, Colour{0xFFFFFF}, Colour{0x102030}}) {
    for (auto f : {Picture::Format::BGR24, Picture::Format::BGRA32}) {
      Picture p(3, 2, f, c);
      p.SetSize(5, 4);
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
          const uint8_t* px = p.Pixel(x, y);
          ASSERT_EQ(px[0], uint8_t(c >> 16));
          ASSERT_EQ(px[1], uint8_t(c >> 8));
          ASSERT_EQ(px[2], uint8_t(c));
          if (p.Is32()) {
            ASSERT_EQ(px[3], 0);
          }
        }
    }
  }
}

}  // namespace vantel

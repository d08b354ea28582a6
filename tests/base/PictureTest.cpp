#include "base/Picture.h"

#include <gtest/gtest.h>

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

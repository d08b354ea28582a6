#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/headless/HeadlessPlatform.h"

namespace vantel {
namespace {

bool Same(const ScreenRect& a, const ScreenRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

TEST(ClipPresentRect, KeepsOnlyWhatLiesInTheFrameAndTheShiftedTarget) {
  // Inside both: unchanged.
  EXPECT_TRUE(
      Same(ClipPresentRect({50, 100, 200, 50}, 800, 600, 800, 600, 0, 0), {50, 100, 200, 50}));
  // Past the frame's right and bottom edges.
  EXPECT_TRUE(
      Same(ClipPresentRect({750, 550, 100, 100}, 800, 600, 800, 600, 0, 0), {750, 550, 50, 50}));
  // A rectangle starting left of the frame never names a pixel before it,
  // however far the offset moves it into the target.
  EXPECT_TRUE(
      Same(ClipPresentRect({-10, -10, 20, 20}, 800, 600, 800, 600, 10, 10), {0, 0, 10, 10}));
  // A negative offset cuts what would land left of or above the target.
  EXPECT_TRUE(
      Same(ClipPresentRect({0, 0, 800, 600}, 800, 600, 800, 600, -30, 40), {30, 0, 770, 560}));
  // A frame smaller than the rectangle.
  EXPECT_TRUE(Same(ClipPresentRect({0, 0, 800, 600}, 100, 60, 800, 600, 0, 0), {0, 0, 100, 60}));
  // Nothing left, and extreme arguments that must not wrap round.
  EXPECT_EQ(ClipPresentRect({0, 0, 50, 50}, 800, 600, 800, 600, 800, 0).width, 0);
  EXPECT_EQ(ClipPresentRect({INT_MAX - 5, 0, INT_MAX, 10}, 800, 600, 800, 600, 0, 0).width, 0);
  EXPECT_EQ(ClipPresentRect({0, 0, INT_MAX, INT_MAX}, 800, 600, 800, 600, INT_MIN, 0).width, 0);
}

TEST(HeadlessPresent, CopiesTheClippedRectangleToItsOffset) {
  HeadlessPlatform platform;
  Picture frame(100, 100, Picture::Format::BGR24, 0x0000FF);
  platform.Present(frame, {-10, -10, 30, 30}, 5, 5);
  EXPECT_EQ(platform.Frame().Pixel(4, 4)[2], 0);     // left of the copied part: untouched
  EXPECT_EQ(platform.Frame().Pixel(5, 5)[2], 0xFF);  // the frame's (0, 0)
  EXPECT_EQ(platform.Frame().Pixel(24, 24)[2], 0xFF);
  EXPECT_EQ(platform.Frame().Pixel(25, 25)[2], 0);
  // A 32-bit frame gives its colour bytes.
  Picture alpha(10, 10, Picture::Format::BGRA32, 0x00FF00);
  platform.Present(alpha, {0, 0, 10, 10}, 700, 500);
  EXPECT_EQ(platform.Frame().Pixel(709, 509)[1], 0xFF);
  EXPECT_EQ(platform.Frame().Pixel(709, 509)[2], 0);
  ASSERT_EQ(platform.Presented().size(), 2u);
  EXPECT_EQ(platform.Presented()[0].left, -10);  // recorded as asked
}

}  // namespace
}  // namespace vantel

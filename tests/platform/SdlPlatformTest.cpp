#include "platform/sdl/SdlPlatform.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vantel {
namespace {

// SDL's offscreen video driver runs the real window code without a display.
class SdlPlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    // Software drawing without a GL-backed framebuffer: no GL driver is loaded
    // (whose unloaded allocations the leak checker would report).
    setenv("SDL_RENDER_DRIVER", "software", 1);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
    platform_ = std::make_unique<SdlPlatform>();
    if (!platform_->CreateMainWindow(Gbk("测试"), 800, 600)) GTEST_SKIP() << "no SDL video driver";
  }
  std::unique_ptr<SdlPlatform> platform_;
};

TEST_F(SdlPlatformTest, PresentsClippedRectanglesOfTheFrame) {
  Picture frame(800, 600, Picture::Format::BGR24, 0x336699);
  platform_->Present(frame, {0, 0, 800, 600}, 0, 0);
  // Rectangles reaching past the frame or shifted by an offset are clipped, not read outside.
  platform_->Present(frame, {750, 550, 100, 100}, 0, 0);
  platform_->Present(frame, {0, 0, 800, 600}, -30, 40);
  platform_->Present(frame, {-10, -10, 20, 20}, 0, 0);
  platform_->Present(frame, {-10, -10, 20, 20}, 10, 10);  // the part left of the frame is not read
  platform_->EndPresent();
  int w = 0, h = 0;
  platform_->GetClientSize(w, h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  InputEvent e;
  while (platform_->PollEvent(e)) {
  }
}

TEST_F(SdlPlatformTest, SecondInstanceFindsTheFirst) {
  const std::string name = "VantelTest" + std::to_string(::getpid());
  EXPECT_FALSE(platform_->ActivateRunningInstance(name));  // the first start listens
  SdlPlatform second;
  EXPECT_TRUE(second.ActivateRunningInstance(name));
}

}  // namespace
}  // namespace vantel

namespace vantel {
namespace {

TEST_F(SdlPlatformTest, FullScreenScreenIsThePicturesSpace) {
  const ScreenRect desktop = platform_->ScreenSize();
  platform_->SetFullScreen(true);
  // Scenes centre on the screen size; the picture is scaled, so they must
  // find it to be the picture's own size and stay at 0, 0.
  const ScreenRect full = platform_->ScreenSize();
  EXPECT_EQ(full.width, 800);
  EXPECT_EQ(full.height, 600);
  platform_->SetFullScreen(false);
  EXPECT_EQ(platform_->ScreenSize().width, desktop.width);
}

}  // namespace
}  // namespace vantel

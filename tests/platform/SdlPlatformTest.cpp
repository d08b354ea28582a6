#include "platform/sdl/SdlPlatform.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

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

namespace vantel {
namespace {

// Questions are drawn inside the window; a click is mapped back through the
// picture's scaling, windowed and in full screen alike.
TEST_F(SdlPlatformTest, QuestionsInTheWindowTakeTheReadersPointer) {
  for (bool full : {false, true}) {
    platform_->SetFullScreen(full);
    MessageBoxModel shape(Gbk("确定？"), Bytes(), MessageKind::Confirmation, true, CodePage::GBK);
    const int left = (800 - shape.Width()) / 2, top = (600 - shape.Height()) / 2;
    int shownWidth = 0;
    platform_->SetModalObserver([&](const SdlPlatform::ModalFrame& f) {
      if (f.frame != 2) return;
      Picture window;
      ASSERT_TRUE(platform_->ReadWindow(window));
      shownWidth = window.Width();
      const float scale = std::min(window.Width() / 800.0f, window.Height() / 600.0f);
      const float offsetX = (window.Width() - 800 * scale) / 2;
      const float offsetY = (window.Height() - 600 * scale) / 2;
      // The middle of the No button, in the window's pixels.
      const float px = left + shape.Width() / 2 + 6 + 40, py = top + shape.Height() - 37 + 12;
      SDL_Event e{};
      e.type = SDL_MOUSEBUTTONDOWN;
      e.button.button = SDL_BUTTON_LEFT;
      e.button.x = static_cast<int>(offsetX + px * scale);
      e.button.y = static_cast<int>(offsetY + py * scale);
      SDL_PushEvent(&e);
      e.type = SDL_MOUSEBUTTONUP;
      SDL_PushEvent(&e);
    });
    EXPECT_EQ(platform_->ShowMessage(Gbk("确定？"), Bytes(), MessageKind::Confirmation, true,
                                     CodePage::GBK, -1, -1),
              MessageAnswer::No)
        << "full screen " << full << ", window " << shownWidth << " wide";
  }
  platform_->SetFullScreen(false);
}

}  // namespace
}  // namespace vantel

namespace vantel {
namespace {

InputEvent NextEvent(SdlPlatform& p) {
  InputEvent e;
  e.kind = InputEvent::Kind::CloseRequest;
  for (int i = 0; i < 100; ++i)
    if (p.PollEvent(e) && e.kind != InputEvent::Kind::Activate &&
        e.kind != InputEvent::Kind::Deactivate)
      return e;
  ADD_FAILURE() << "no event";
  return e;
}

// Under a video driver that shows no screen, a notice or question nobody
// could answer goes to standard error at once, with the answer that loses
// nothing: the program never waits for ever.
TEST_F(SdlPlatformTest, MessagesNobodyCanSeeGoToStandardError) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(platform_->ShowMessage(Gbk("确定吗？"), Bytes(), MessageKind::Confirmation, true,
                                   CodePage::GBK, -1, -1),
            MessageAnswer::Unanswered);
  EXPECT_EQ(platform_->ShowMessage(Gbk("已另存为"), Bytes(), MessageKind::Warning, false,
                                   CodePage::GBK, -1, -1),
            MessageAnswer::Ok);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("确定吗？"), std::string::npos);
  EXPECT_NE(said.find("已另存为"), std::string::npos);
}

// A doubled window: the picture fills it, only the changed rows change, the
// colours arrive as they are, and the pointer comes back in picture space.
TEST_F(SdlPlatformTest, ScaledWindowShowsChangedRowsAndMapsThePointerBack) {
  SdlPlatform scaled;
  scaled.SetWindowScale(2);
  // A picture of 400x300: doubled, it fits the offscreen driver's 1024x768.
  ASSERT_TRUE(scaled.CreateMainWindow(Gbk("测试"), 400, 300));
  EXPECT_EQ(scaled.WindowScale(), 2);
  int w = 0, h = 0;
  scaled.GetClientSize(w, h);
  EXPECT_EQ(w, 400);  // the scenes still see the described client
  Picture frame(400, 300, Picture::Format::BGR24, 0x336699);
  scaled.Present(frame, {0, 0, 400, 300}, 0, 0);
  scaled.EndPresent();
  frame.FillRect(0, 0, 400, 50, 0x0000FF);
  scaled.Present(frame, {0, 0, 400, 50}, 0, 0);
  scaled.EndPresent();
  Picture window;
  ASSERT_TRUE(scaled.ReadWindow(window));
  ASSERT_EQ(window.Width(), 800);
  ASSERT_EQ(window.Height(), 600);
  for (auto [x, y] : {std::pair{0, 0}, {799, 99}, {0, 100}, {799, 599}}) {
    const uint8_t* got = window.Pixel(x, y);
    const uint8_t* want = frame.Pixel(x / 2, y / 2);
    EXPECT_EQ(got[0], want[0]) << x << "," << y;
    EXPECT_EQ(got[1], want[1]) << x << "," << y;
    EXPECT_EQ(got[2], want[2]) << x << "," << y;
  }
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = 799;
  e.button.y = 201;
  SDL_PushEvent(&e);
  const InputEvent got = NextEvent(scaled);
  EXPECT_EQ(got.kind, InputEvent::Kind::MouseDown);
  EXPECT_EQ(got.x, 399);
  EXPECT_EQ(got.y, 100);
}

// A scale larger than the screen gets the largest that fits, and says so.
TEST_F(SdlPlatformTest, ScaleLargerThanTheScreenFits) {
  SdlPlatform scaled;
  scaled.SetWindowScale(4);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(scaled.CreateMainWindow(Gbk("测试"), 400, 300));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("--scale 4"), std::string::npos);
  EXPECT_EQ(scaled.WindowScale(), 2);
}

// Controller events, as SDL reports them, reach the scenes as mouse and keys.
TEST_F(SdlPlatformTest, ControllerButtonsArriveAsMouseAndKeys) {
  auto push = [](Uint32 type, Uint8 button) {
    SDL_Event e{};
    e.type = type;
    e.cbutton.button = button;
    e.cbutton.state = type == SDL_CONTROLLERBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    EXPECT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  };
  push(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_A);
  InputEvent e = NextEvent(*platform_);
  EXPECT_EQ(e.kind, InputEvent::Kind::MouseDown);
  EXPECT_EQ(e.button, MouseButton::Left);
  push(SDL_CONTROLLERBUTTONUP, SDL_CONTROLLER_BUTTON_A);
  EXPECT_EQ(NextEvent(*platform_).kind, InputEvent::Kind::MouseUp);
  push(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
  push(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
  e = NextEvent(*platform_);
  EXPECT_EQ(e.kind, InputEvent::Kind::KeyDown);
  EXPECT_EQ(e.key, 39);
  EXPECT_TRUE(platform_->ShiftKeyDown());  // skipping while the shoulder is held
  push(SDL_CONTROLLERBUTTONUP, SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
  // Two rounds: SDL ends a round of polling at its marker, which may sit before this event.
  InputEvent rest;
  for (int round = 0; round < 2; ++round)
    while (platform_->PollEvent(rest)) {
    }
  EXPECT_FALSE(platform_->ShiftKeyDown());

  // In the pop-up menu the d-pad walks the usable items and A chooses; the
  // shoulder let go there does not leave the story skipping afterwards.
  push(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
  for (int round = 0; round < 2; ++round)
    while (platform_->PollEvent(rest)) {
    }
  ASSERT_TRUE(platform_->ShiftKeyDown());
  std::vector<MenuItem> items(5);
  for (int i = 0; i < 5; ++i) {
    items[i].id = 10 + i;
    items[i].caption = "Item";
  }
  items[1].separator = true;
  items[2].enabled = false;
  platform_->SetModalObserver([&](const SdlPlatform::ModalFrame& f) {
    if (f.frame != 2) return;
    push(SDL_CONTROLLERBUTTONUP, SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
    for (Uint8 b : {SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_CONTROLLER_BUTTON_DPAD_DOWN,
                    SDL_CONTROLLER_BUTTON_A}) {
      push(SDL_CONTROLLERBUTTONDOWN, b);
      push(SDL_CONTROLLERBUTTONUP, b);
    }
  });
  EXPECT_EQ(platform_->PopupMenu(items, 100, 100), 13);
  platform_->SetModalObserver(nullptr);
  EXPECT_FALSE(platform_->ShiftKeyDown());
}

}  // namespace
}  // namespace vantel

#include "scenes/Class_End.h"

#include <gtest/gtest.h>

#include <memory>

#include "shell/ClassMain.h"
#include "support/SceneFixtures.h"

namespace vantel {
namespace {

// The scene before the closing screen: plain white, with one widget so that
// it composes like a real scene.
struct WhiteScene : Tflat {
  WhiteScene() : Tflat(nullptr), widget(this) {
    FPicture = Picture(800, 600, Picture::Format::BGR24, 0xFFFFFF);
    FVisible = FActive = true;
    Show();
  }
  Tflat widget;
};

class EndTest : public testing::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    OpenImages();
    RegisterEndScene();
    RegisterScene(kSceneLogo, [] { return std::make_unique<WhiteScene>(); });
    main_ = std::make_unique<TMain>();
    for (int i = 0; i < 12; ++i) main_->Tick(false);  // the white scene, settled
  }
  void TearDown() override {
    main_.reset();
    RegisterScene(kSceneLogo, nullptr);
    RegisterScene(kSceneClosing, nullptr);
    SceneFixture::TearDown();
  }
  int Shown() { return platform.Frame().Pixel(400, 300)[0]; }
  std::unique_ptr<TMain> main_;
};

TEST_F(EndTest, FadesToBlackThenRequestsTheQuitFiveMessagesLater) {
  EXPECT_EQ(Shown(), 0xFF);
  global.NextScene = kSceneClosing;
  main_->Tick(false);
  ASSERT_EQ(main_->SceneNo, kSceneClosing);
  EXPECT_GT(Shown(), 0);  // still on its way from white
  // Input during the entry transition does not count.
  for (int i = 0; i < 20; ++i) main_->MouseMove(10, 10);
  int ticks = 1;
  while (main_->Scene->FProgress < 256) {
    EXPECT_FALSE(global.QuitRequested);
    main_->Tick(false), ++ticks;
  }
  EXPECT_EQ(ticks, 10);  // 500 ms
  EXPECT_EQ(Shown(), 0);
  // The tick that ends the transition counts as the first.
  for (int i = 0; i < 3; ++i) main_->Tick(false);
  EXPECT_FALSE(global.QuitRequested);
  main_->MouseMove(10, 10);  // input counts once the transition is over
  EXPECT_TRUE(global.QuitRequested);
  // Once: later messages leave the flag to the main window.
  global.QuitRequested = false;
  for (int i = 0; i < 10; ++i) main_->Tick(false);
  EXPECT_FALSE(global.QuitRequested);
}

}  // namespace
}  // namespace vantel

#include "scenes/Class_LOGO.h"

#include <gtest/gtest.h>

#include <memory>

#include "graphics/FuncEffect.h"
#include "shell/ClassMain.h"
#include "support/SceneFixtures.h"

namespace vantel {
namespace {

// The title that the logo hands over to: a plain grey scene.
struct StandInTitle : Tflat {
  StandInTitle() : Tflat(nullptr), widget(this) {
    FPicture = Picture(800, 600, Picture::Format::BGR24, 0x808080);
    FVisible = FActive = true;
    Show();
  }
  Tflat widget;
};

class LogoTest : public testing::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    // Frames 0-7 exist, each 40 x 20 in its own red level.
    for (int f = 0; f < 8; ++f) AddPicture(Tlogo::FrameName(f), 40, 20, 0x20 * (f + 1) - 1);
    OpenImages();
    AddSound(Sjis("ゼルトロゴノイズSound"));
    RegisterLogoScene();
    RegisterScene(kSceneTitle, [] { return std::make_unique<StandInTitle>(); });
  }
  void TearDown() override {
    main_.reset();
    RegisterScene(kSceneLogo, nullptr);
    RegisterScene(kSceneTitle, nullptr);
    SceneFixture::TearDown();
  }
  Tlogo& Logo() { return static_cast<Tlogo&>(*main_->Scene); }
  // The red byte presented at the logo's centre.
  int ShownRed() { return platform.Frame().Pixel(260, 190)[2]; }

  std::unique_ptr<TMain> main_;
};

TEST_F(LogoTest, FrameNamesHaveAtLeastTwoDigits) {
  EXPECT_EQ(Tlogo::FrameName(0), Sjis("ゼルトロゴ_00000"));
  EXPECT_EQ(Tlogo::FrameName(7), Sjis("ゼルトロゴ_00007"));
  EXPECT_EQ(Tlogo::FrameName(54), Sjis("ゼルトロゴ_00054"));
  EXPECT_EQ(Tlogo::FrameName(123), Sjis("ゼルトロゴ_000123"));
}

TEST_F(LogoTest, RunsItsFramesPlaysItsSoundAndHandsOverToTheTitle) {
  main_ = std::make_unique<TMain>();
  ASSERT_EQ(main_->SceneNo, kSceneLogo);
  for (int tick = 1; tick <= 12; ++tick) {
    main_->Tick(false);
    // Each frame stands for two ticks.
    EXPECT_EQ(Logo().FLogo->FPictureName, Tlogo::FrameName((tick - 1) / 2)) << tick;
    EXPECT_EQ(Logo().FLogo->FLeft, 240);
    EXPECT_EQ(Logo().FLogo->FTop, 180);
    EXPECT_EQ(Mixed(0), tick >= 5 ? SoundCommandName(Sjis("ゼルトロゴノイズSound")) : Bytes());
  }
  EXPECT_EQ(ShownRed(), 0xBF);  // frame 5, after the entry transition
  EXPECT_FALSE(Logo().FLogo->FPicture.Is32());
  int ticks = 12;
  while (Logo().FMessageCount < Tlogo::kDissolveAt) main_->Tick(false), ++ticks;
  EXPECT_EQ(ticks, 110);
  EXPECT_FALSE(Logo().FLogo->FVisible);
  EXPECT_EQ(Logo().FEffect, kNoise);
  EXPECT_EQ(Logo().FDuration, 100);
  // Frames beyond the last picture are still asked for.
  main_->Tick(false), ++ticks;
  EXPECT_EQ(Logo().FLogo->FPictureName, Tlogo::FrameName(55));
  while (ticks < 132) main_->Tick(false), ++ticks;
  EXPECT_EQ(ShownRed(), 0);  // dissolved to black
  EXPECT_EQ(global.NextScene, kSceneTitle);
  main_->Tick(false);
  EXPECT_EQ(main_->SceneNo, kSceneTitle);
}

TEST_F(LogoTest, LateTicksNeitherAnimateNorCountAndInputCounts) {
  main_ = std::make_unique<TMain>();
  main_->Tick(false);
  for (int i = 0; i < 20; ++i) main_->Tick(true);
  EXPECT_EQ(Logo().FFrameCount, 1);
  EXPECT_EQ(Logo().FMessageCount, 1);
  EXPECT_EQ(Logo().FLogo->FPictureName, Tlogo::FrameName(0));
  // Mouse moves, clicks and keys hurry the logo along: with the entry
  // transition over, 97 moves bring it to the dissolve at frame 6.
  for (int i = 0; i < 11; ++i) main_->Tick(false);  // frames 0 ... 5
  for (int i = 0; i < Tlogo::kDissolveAt - 13; ++i) main_->MouseMove(300, 200);
  EXPECT_EQ(Logo().FMessageCount, Tlogo::kDissolveAt - 1);
  EXPECT_TRUE(Logo().FLogo->FVisible);
  main_->Tick(false);  // the 110th message
  EXPECT_FALSE(Logo().FLogo->FVisible);
  // Further frames that exist are loaded, but the dissolved logo stays hidden.
  main_->Tick(false);
  main_->Tick(false);
  EXPECT_EQ(Logo().FLogo->FPictureName, Tlogo::FrameName(7));
  EXPECT_FALSE(Logo().FLogo->FVisible);
  EXPECT_EQ(ShownRed(), 0);
  while (Logo().FMessageCount < Tlogo::kTitleAt - 1) main_->KeyUp(13, 0);
  EXPECT_EQ(global.NextScene, 0);
  main_->KeyUp(13, 0);
  EXPECT_EQ(global.NextScene, kSceneTitle);  // 132 messages, long before 6.6 s
}

}  // namespace
}  // namespace vantel

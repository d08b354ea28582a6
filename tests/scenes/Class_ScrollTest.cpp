#include "scenes/Class_Scroll.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "shell/ClassMain.h"
#include "support/SceneFixtures.h"

namespace vantel {
namespace {

constexpr int kLineHeight = 20;

// Credit pictures 200 x 20 and a red closing picture.
class Scroll : public testing::SceneFixture {
 protected:
  void TearDown() override {
    scroll_.reset();
    SceneFixture::TearDown();
  }
  Tscroll& Start() {
    for (const Bytes& name : Tscroll::CreditNames())
      if (!missing_.contains(name)) AddPicture(name, 200, kLineHeight, 0xFFFFFF);
    AddPicture("clear", 800, 600, 0x0000FF);
    OpenImages();
    scroll_ = std::make_unique<Tscroll>(nullptr);
    return *scroll_;
  }
  void Tick(int n = 1, int late = 0) {
    for (int i = 0; i < n; ++i) scroll_->Signal(100, late, 0);
  }
  // Ticks until the scroll ends; the number of ticks taken.
  int TickUntilEnd() {
    for (int n = 1; n <= 5000; ++n) {
      Tick();
      if (scroll_->FState == 1) return n;
    }
    ADD_FAILURE() << "the scroll did not end";
    return -1;
  }
  const uint8_t* FramePixel(int x, int y) {
    scroll_->FillDirty(1);
    scroll_->Compose();
    return scroll_->FCurrent->Pixel(x, y);
  }

  std::set<Bytes> missing_;
  std::unique_ptr<Tscroll> scroll_;
};

TEST_F(Scroll, LinesRiseAtTheMinimumPaceAndLoadJustBelowTheScreen) {
  Tscroll& s = Start();
  EXPECT_EQ(s.FTotalTicks, 1000);  // no music playing
  Tick();
  const Tflat& first = *s.FLines[0];
  EXPECT_EQ(first.FTop, 643);   // 650 - 7500 / 1000
  EXPECT_EQ(first.FLeft, 300);  // centred
  EXPECT_TRUE(first.FVisible);
  // Line 1 sat at 750 (its predecessor still 0 high) and was loaded too;
  // line 2 at 850 waits.
  EXPECT_EQ(s.FLines[1]->FTag, "dsp");
  EXPECT_TRUE(s.FLines[2]->FTag.empty());
  Tick();
  EXPECT_EQ(s.FLines[1]->FTop, 635 + kLineHeight + 100);

  Tick(98);
  EXPECT_EQ(first.FTop, -100);  // tick 100
  // A late tick keeps the time but leaves the lines; the next one catches up.
  Tick(1, 1);
  EXPECT_EQ(first.FTop, -100);
  Tick();
  EXPECT_EQ(first.FTop, 650 - 102 * 7500 / 1000);

  s.Signal(40, 400, 300);  // clicks while scrolling are ignored
  EXPECT_EQ(global.NextScene, 0);
  EXPECT_FALSE(global.Clear);

  // A line long past the top edge gives up its picture but keeps spacing the stack.
  Tick(40);
  EXPECT_EQ(first.FPicture.Width(), 1);
  EXPECT_EQ(s.FLines[1]->FTop, first.FTop + kLineHeight + 100);
}

TEST_F(Scroll, EndsInTheClosingPictureAndAClickCompletesTheStory) {
  Tscroll& s = Start();
  // All 33 lines loaded, the last starts 32 * 120 + 200 below the first and
  // passes -400 when the first passes -4440: 7500 * t / 1000 > 5090.
  EXPECT_EQ(TickUntilEnd(), 679);
  EXPECT_EQ(FramePixel(10, 10)[2], 0);  // the mesh blend starts from black
  Tick(21);
  EXPECT_EQ(FramePixel(10, 10)[2], 0xFF);  // and ends in "clear"

  s.Signal(40, 5, 5);
  EXPECT_TRUE(global.Clear);
  EXPECT_EQ(global.NextScene, kSceneTitle);
  Tglobal reread;
  reread.SaveDir = global.SaveDir;
  reread.LoadSettings();
  EXPECT_TRUE(reread.Clear);
}

TEST_F(Scroll, AMissingCreditIsAnEmptyLineAndTheScrollStillEnds) {
  missing_ = {Sjis("10-美術"), Sjis("33-製作ゼルト")};
  Tscroll& s = Start();
  const int ticks = TickUntilEnd();
  EXPECT_EQ(s.FLines[9]->FPicture.Height(), 0);
  EXPECT_FALSE(s.FLines[9]->FVisible);
  EXPECT_LT(ticks, 679);  // a shorter stack
  EXPECT_GT(ticks, 0);
  s.Signal(40, 5, 5);  // accepted while the final blend runs
  EXPECT_EQ(global.NextScene, kSceneTitle);
}

TEST_F(Scroll, TheScrollLastsAsLongAsTheMusicLeftAboveFiftySeconds) {
  // 1 600 000 mono samples: 3 200 000 bytes, 72 562 ms as the source counts them.
  dir.Write("sound/ending.wav", testing::PcmWave(1, 44100, std::vector<int16_t>(1600000, 50)));
  PostSound(0, kSoundPlay, "ending", 0, 1);
  ASSERT_EQ(Mixed(0), "ending.wav");
  const int32_t left = GetSoundRemaining(0);
  ASSERT_GT(left, 70000);
  Tscroll& s = Start();
  EXPECT_EQ(s.FTotalTicks, left / 50);
  Tick(100);
  EXPECT_EQ(s.FLines[0]->FTop, int32_t(650 - 100LL * 7500 / s.FTotalTicks));
}

}  // namespace
}  // namespace vantel

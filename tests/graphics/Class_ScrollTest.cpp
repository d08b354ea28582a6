#include "graphics/Class_Scroll.h"

#include <gtest/gtest.h>

#include <memory>

#include "base/Paths.h"
#include "base/PngWrite.h"
#include "data/ClassArchive.h"
#include "data/FuncFile.h"
#include "graphics/FuncBmpLoader.h"
#include "platform/headless/HeadlessAudio.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "sound/ClassSound.h"
#include "sound/ClassSoundSrc.h"
#include "sound/FuncSound.h"
#include "support/SoundFixtures.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

using testing::TempDir;

constexpr int kLineHeight = 20;

// Credit pictures (200 x 20, white) and the closing picture as loose files.
class Scroll : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&platform_);
    global_.SaveDir = dir_ / "save/";
    MakeDirectories(global_.SaveDir);
    Global = &global_;
    MakeDirectories(dir_ / "image");
    for (const Bytes& name : Tscroll::CreditNames())
      WritePng(dir_ / ("image/" + ToUtf8(name, CodePage::CP932) + ".png"),
               Picture(200, kLineHeight, Picture::Format::BGR24, 0xFFFFFF));
    WritePng(dir_ / "image/clear.png", Picture(800, 600, Picture::Format::BGR24, 0x0000FF));
    images_ = std::make_unique<TArchive>(dir_ / "image.pk2");
    images_->SetLooseDir(dir_ / "image/");
    ImageArchive = images_.get();
    SetImageLoader([](Picture& p, const Bytes& name) { return LoadImage(p, name); });
  }
  void TearDown() override {
    scroll_.reset();
    for (int n = 1; n <= 8; ++n) RegisterScene(n, nullptr);
    SetImageLoader(nullptr);
    ImageArchive = nullptr;
    Global = nullptr;
    SetPlatform(nullptr);
  }
  Tscroll& Start() {
    scroll_ = std::make_unique<Tscroll>(nullptr);
    return *scroll_;
  }
  void Tick(int n = 1, int late = 0) {
    for (int i = 0; i < n; ++i) scroll_->Signal(100, late, 0);
  }
  // Ticks until the scroll ends; the number of ticks taken.
  int TickUntilEnd(int limit = 5000) {
    for (int n = 1; n <= limit; ++n) {
      Tick();
      if (scroll_->FState == 1) return n;
    }
    ADD_FAILURE() << "the scroll did not end";
    return -1;
  }
  Picture Frame() {
    scroll_->FillDirty(1);
    scroll_->Compose();
    return *scroll_->FCurrent;
  }

  TempDir dir_;
  HeadlessPlatform platform_;
  Tglobal global_;
  std::unique_ptr<TArchive> images_;
  std::unique_ptr<Tscroll> scroll_;
};

TEST_F(Scroll, LinesRiseAtTheMinimumPaceAndLoadJustBelowTheScreen) {
  Tscroll& s = Start();
  EXPECT_EQ(s.FTotalTicks, 1000);  // no music playing
  EXPECT_EQ(s.FLines.size(), 33u);
  Tick();
  const Tflat& first = *s.FLines[0];
  EXPECT_EQ(first.FTop, 643);  // 650 - 7500 / 1000
  EXPECT_EQ(first.FTag, "dsp");
  EXPECT_EQ(first.FLeft, 300);  // centred
  EXPECT_TRUE(first.FVisible);
  // Line 1 sat at 750 (its predecessor still 0 high) and was loaded too;
  // line 2 at 850 waits.
  EXPECT_EQ(s.FLines[1]->FTag, "dsp");
  EXPECT_TRUE(s.FLines[2]->FTag.empty());
  EXPECT_FALSE(s.FLines[2]->FVisible);

  Tick();
  EXPECT_EQ(s.FLines[1]->FTop, 635 + kLineHeight + 100);

  Tick(98);
  EXPECT_EQ(first.FTop, -100);  // tick 100
  EXPECT_EQ(first.FPicture.Width(), 200);

  // A late tick keeps the time but leaves the lines; the next one catches up.
  Tick(1, 1);
  EXPECT_EQ(s.FTicks, 101);
  EXPECT_EQ(first.FTop, -100);
  Tick();
  EXPECT_EQ(first.FTop, 650 - 102 * 7500 / 1000);

  // Clicks while scrolling are ignored.
  s.Signal(40, 400, 300);
  EXPECT_EQ(global_.NextScene, 0);
  EXPECT_FALSE(global_.Clear);

  // A line long past the top edge gives up its picture but keeps spacing the stack.
  Tick(40);  // first line at 650 - 142 * 7.5 = -415
  EXPECT_EQ(first.FPicture.Width(), 1);
  EXPECT_EQ(s.FLines[1]->FTop, first.FTop + kLineHeight + 100);
}

TEST_F(Scroll, EndsInTheClosingPictureAndAClickCompletesTheStory) {
  Tscroll& s = Start();
  // All 33 lines loaded: the last starts 32 * 120 + 200 below the first,
  // and passes -400 when the first passes -4440: 7500 * t / 1000 > 5090.
  EXPECT_EQ(TickUntilEnd(), 679);
  EXPECT_EQ(s.FTicks, 0);
  EXPECT_EQ(s.FCurrent, &s.FSnapshot);  // the mesh blend from black runs
  const uint8_t* px = Frame().Pixel(10, 10);
  EXPECT_EQ(px[0] + px[1] + px[2], 0);
  Tick(21);  // 1000 ms
  px = Frame().Pixel(10, 10);
  EXPECT_EQ(px[2], 0xFF);  // "clear" is red
  EXPECT_EQ(px[0], 0);

  s.Signal(40, 5, 5);
  EXPECT_TRUE(global_.Clear);
  EXPECT_EQ(global_.NextScene, kSceneTitle);
  Tglobal reread;
  reread.SaveDir = global_.SaveDir;
  reread.LoadSettings();
  EXPECT_TRUE(reread.Clear);
}

TEST_F(Scroll, AMissingCreditIsAnEmptyLineAndTheScrollStillEnds) {
  DeleteFile(dir_ / "image/10-美術.png");
  DeleteFile(dir_ / "image/33-製作ゼルト.png");
  Tscroll& s = Start();
  const int ticks = TickUntilEnd();
  EXPECT_GT(ticks, 0);
  EXPECT_EQ(s.FLines[9]->FPicture.Height(), 0);
  EXPECT_FALSE(s.FLines[9]->FVisible);
  EXPECT_EQ(s.FLines[9]->FTag, "dsp");
  EXPECT_LT(ticks, 679);  // one line shorter
  // Clicking during the final blend is accepted.
  s.Signal(40, 5, 5);
  EXPECT_EQ(global_.NextScene, kSceneTitle);
}

TEST_F(Scroll, TheSceneManagerStartsItFromItsRegistration) {
  RegisterScene(kSceneLogo, [] { return std::make_unique<Tflat>(nullptr); });
  RegisterScrollScene();
  TMain main;
  global_.NextScene = kSceneCredits;
  main.Tick(false);
  ASSERT_EQ(main.SceneNo, kSceneCredits);
  EXPECT_NE(dynamic_cast<Tscroll*>(main.Scene.get()), nullptr);
}

// The scroll lasts as long as the closing music has left to play.
class ScrollWithMusic : public Scroll {
 protected:
  void SetUp() override {
    Scroll::SetUp();
    source_ = std::make_unique<TSoundSrc>(nullptr, dir_ / "sound/");
    SoundSources[0] = source_.get();
    sound_.AddSource(source_.get());
    sound_.Enabled = true;
  }
  void TearDown() override {
    scroll_.reset();
    sound_.Close();
    SoundSources[0] = nullptr;
    Scroll::TearDown();
  }
  TSound sound_{TSound::RefillMode::Synchronous};
  std::unique_ptr<TSoundSrc> source_;
};

TEST_F(ScrollWithMusic, TheTotalFollowsTheMusicLeftAboveFiftySeconds) {
  // 1 600 000 mono samples: 3 200 000 bytes, 72 562 ms as the source counts them.
  dir_.Write("sound/ending.wav", testing::PcmWave(1, 44100, std::vector<int16_t>(1600000, 50)));
  PostSound(0, kSoundPlay, "ending", 0, 1);
  sound_.Open(44100, 16, 2);  // the first buffers open the sound and start it
  const int32_t left = GetSoundRemaining(0);
  ASSERT_GT(left, 70000);
  Tscroll& s = Start();
  EXPECT_EQ(s.FTotalTicks, left / 50);
  Tick(100);
  EXPECT_EQ(s.FLines[0]->FTop, int32_t(650 - 100LL * 7500 / s.FTotalTicks));
}

}  // namespace
}  // namespace vantel

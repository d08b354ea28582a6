#include "graphics/ClassFlatBtn.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/SceneFixtures.h"

namespace vantel {
namespace {

constexpr int32_t kKeyUp = 20, kKeyDown = 21, kMove = 31, kClick = 40, kPress = 41, kTick = 100;
constexpr int kLeft = 100, kTop = 120, kWidth = 60, kHeight = 40;

class ButtonTest : public testing::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    scene_.FPicture = Picture(800, 600, Picture::Format::BGR24, 0);
    scene_.FVisible = scene_.FActive = true;
  }
  void TearDown() override {
    button_.reset();
    SceneFixture::TearDown();
  }
  // A button of n pictures "b0" ... named in role order, picture i in colour
  // 0x10 * (i + 1) of blue, placed at (kLeft, kTop).
  TFlatBtn& Make(int n) {
    std::vector<Bytes> names;
    for (int i = 0; i < n; ++i) {
      names.push_back("b" + std::to_string(i));
      AddPicture(names.back(), kWidth, kHeight, Colour(0x10 * (i + 1)) << 16);
    }
    OpenImages();
    button_ = std::make_unique<TFlatBtn>(&scene_, names);
    button_->SetLeft(kLeft);
    button_->SetTop(kTop);
    return *button_;
  }
  void Send(int32_t code, int32_t a = 0, int32_t b = 0) { scene_.Signal(code, a, b); }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) Send(kTick);
  }
  // The blue byte the composed scene shows at the button's centre.
  int ComposedBlue() {
    scene_.Compose();
    return scene_.FComposition.Pixel(kLeft + kWidth / 2, kTop + kHeight / 2)[0];
  }

  Tflat scene_{nullptr};
  std::unique_ptr<TFlatBtn> button_;
};

TEST_F(ButtonTest, IdleAnimationLoopsOverTheFramesOnly) {
  TFlatBtn& b = Make(12);  // ten frames, over, pressed
  EXPECT_EQ(b.CurrentIndex(), 0);
  std::vector<int> shown;
  for (int i = 0; i < 12; ++i) {
    Tick();
    shown.push_back(b.CurrentIndex());
  }
  EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2}));
  // What is shown is composed: each new frame marks the button's cells.
  EXPECT_EQ(ComposedBlue(), 0x30);
  Tick();
  EXPECT_EQ(ComposedBlue(), 0x40);
}

TEST_F(ButtonTest, HoverAndMousePressLooks) {
  TFlatBtn& b = Make(4);  // frames 0-1, over 2, pressed 3
  // The strict hit test: the button's column 0 and row 0 are outside.
  Send(kMove, kLeft, kTop + 10);
  Send(kMove, kLeft + 10, kTop);
  Send(kClick, kLeft, kTop + 10);
  Tick();
  EXPECT_FALSE(b.FHover);
  EXPECT_FALSE(b.FClicked);
  EXPECT_EQ(b.CurrentIndex(), 1);

  Send(kMove, kLeft + 1, kTop + 1);
  Tick();
  EXPECT_EQ(b.CurrentIndex(), 2);  // over
  EXPECT_EQ(ComposedBlue(), 0x30);
  Send(kPress, kLeft + 5, kTop + 5);
  EXPECT_EQ(b.CurrentIndex(), 2);  // the look follows at the tick
  Tick();
  EXPECT_EQ(b.CurrentIndex(), 3);  // pressed
  Send(kClick, kLeft + 5, kTop + 5);
  EXPECT_TRUE(b.FClicked);
  Tick(4);
  EXPECT_EQ(b.CurrentIndex(), 3);  // stays pressed while the pointer is over it

  Send(kMove, 10, 10);  // the pointer leaves
  Tick();
  EXPECT_FALSE(b.FHover);
  EXPECT_LT(b.CurrentIndex(), 2);
  EXPECT_EQ(b.FOverIndex, 2);
  Send(kMove, kLeft + 5, kTop + 5);  // and comes back: the over look again
  Tick();
  EXPECT_EQ(b.CurrentIndex(), 2);
}

TEST_F(ButtonTest, KeyReleaseClicksAndShowsThePressedLookForThreeTicks) {
  TFlatBtn& b = Make(5);  // frames 0-2, over 3, pressed 4
  b.FKey = 13;
  Send(kKeyDown, 13);
  EXPECT_FALSE(b.FClicked);  // a first press only shows the pressed look
  Send(kKeyUp, 13);
  EXPECT_TRUE(b.FClicked);
  EXPECT_EQ(b.CurrentIndex(), 4);
  EXPECT_EQ(ComposedBlue(), 0x50);  // marked at once, not at the tick
  b.FClicked = false;
  Tick(3);
  EXPECT_EQ(b.CurrentIndex(), 4);
  Tick();
  EXPECT_LT(b.CurrentIndex(), 3);
  EXPECT_EQ(b.FOverIndex, 3);

  // Auto-repeat: every repeated press while the pressed look lasts clicks.
  Send(kKeyDown, 13);
  EXPECT_FALSE(b.FClicked);
  Send(kKeyDown, 13);
  EXPECT_TRUE(b.FClicked);
  b.FClicked = false;
  Tick(3);
  Send(kKeyDown, 13);  // the look has run out by now: no click
  EXPECT_FALSE(b.FClicked);

  // Other keys, and key code 0 on a button without a key, never work it.
  Tick(5);
  Send(kKeyUp, 14);
  EXPECT_FALSE(b.FClicked);
  b.FKey = 0;
  Send(kKeyUp, 0);
  Send(kKeyDown, 0);
  Send(kKeyDown, 0);
  EXPECT_FALSE(b.FClicked);
  EXPECT_LT(b.CurrentIndex(), 3);
}

TEST_F(ButtonTest, DisabledButtonAnimatesAndIgnoresKeysAndPresses) {
  TFlatBtn& b = Make(4);
  b.FKey = 13;
  b.FEnabled = false;
  Send(kMove, kLeft + 5, kTop + 5);
  Send(kPress, kLeft + 5, kTop + 5);
  Send(kKeyUp, 13);
  Tick();
  EXPECT_EQ(b.CurrentIndex(), 1);  // the animation, not the over or pressed look
  EXPECT_EQ(b.FOverIndex, 2);
  EXPECT_FALSE(b.FClicked);
  // The layer base still records a release over it; owners check FEnabled.
  Send(kClick, kLeft + 5, kTop + 5);
  EXPECT_TRUE(b.FClicked);
}

TEST_F(ButtonTest, MissingPicturesAndBadNameCounts) {
  OpenImages();
  TFlatBtn b(&scene_, {"none1", "none2", "none3"});
  EXPECT_EQ(b.FCount, 3);
  EXPECT_EQ(b.PictureAt(0).Width(), 0);
  Send(kMove, 1, 1);
  EXPECT_FALSE(b.FHover);  // a 0 x 0 button is never hit
  Tick(3);
  EXPECT_EQ(b.CurrentIndex(), 0);
  EXPECT_THROW({ TFlatBtn bad(&scene_, {"b0"}); }, std::invalid_argument);
  EXPECT_THROW({ TFlatBtn bad(&scene_, std::vector<Bytes>(22, "b0")); }, std::invalid_argument);
  Tick(3);  // three pictures: the idle look is always the one frame
  EXPECT_EQ(b.FFrame, 0);
  // Two pictures: the over picture doubles as the only frame.
  TFlatBtn two(&scene_, {"none1", "none2"});
  Tick(2);
  EXPECT_EQ(two.CurrentIndex(), 0);
  two.FKey = 9;
  Send(kKeyUp, 9);
  EXPECT_EQ(two.CurrentIndex(), 1);
}

}  // namespace
}  // namespace vantel

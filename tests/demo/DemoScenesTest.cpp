// The demo's data in the player's own scenes: the title and the logo find
// every picture they ask for in the packed image archive.
#include <gtest/gtest.h>

#include "TestPaths.h"
#include "base/Bytes.h"
#include "base/Paths.h"
#include "scenes/Class_LOGO.h"
#include "shell/Class_Title.h"
#include "support/SceneFixtures.h"

namespace vantel::testing {
namespace {

class DemoScenes : public SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    const std::string game = VANTEL_GAME_DIR;
    if (!FileExists(game + "/image.pk2"))
      GTEST_SKIP() << "the archives are made once vxtool can pack";
    ImageArchive = new TArchive(game + "/image.pk2");
  }
};

TEST_F(DemoScenes, TheTitleShowsItsMenuPictureAndEveryButtonLook) {
  TTitle title;
  EXPECT_EQ(title.FPicture.Width(), 800);
  EXPECT_EQ(title.FPicture.Height(), 600);
  for (TFlatBtn* b : {title.StartButton.get(), title.LoadButton.get(), title.CgButton.get(),
                      title.SoundButton.get(), title.ExitButton.get()}) {
    ASSERT_GE(b->FCount, 3);
    for (int i = 0; i < b->FCount; ++i) {
      EXPECT_EQ(b->PictureAt(i).Width(), 180) << "button picture " << i;
      EXPECT_TRUE(b->PictureAt(i).Is32()) << "button picture " << i;
    }
  }
}

TEST_F(DemoScenes, TheLogoFindsAFrameForEveryTickUntilItDissolves) {
  Tlogo logo;
  for (int tick = 0; tick < 2 * 55; ++tick) {
    logo.Signal(100, 0, 0);
    EXPECT_EQ(logo.FLogo->FPicture.Width(), 320) << "tick " << tick;
  }
}

}  // namespace
}  // namespace vantel::testing

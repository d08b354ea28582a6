// The bundled demo's data in the credits, gallery and music room scenes:
// every picture these scenes name is found in the packed image archive.
#include <gtest/gtest.h>

#include "TestPaths.h"
#include "base/Paths.h"
#include "scenes/Class_CGlib.h"
#include "scenes/Class_Scroll.h"
#include "scenes/Class_Sound.h"
#include "support/SceneFixtures.h"

namespace vantel::testing {
namespace {

class DemoExtras : public SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    const std::string game = VANTEL_GAME_DIR;
    if (!FileExists(game + "/image.pk2")) GTEST_SKIP() << "the demo archives are not packed";
    ImageArchive = new TArchive(game + "/image.pk2");
  }
  static void ExpectAllLooks(const TFlatBtn& b) {
    for (int i = 0; i < b.FCount; ++i) EXPECT_GT(b.PictureAt(i).Width(), 0) << "look " << i;
  }
};

TEST_F(DemoExtras, EveryCreditAndTheClosingPictureExist) {
  Picture p;
  for (const Bytes& name : Tscroll::CreditNames()) EXPECT_TRUE(LoadImage(p, name)) << ToUtf8(name);
  EXPECT_TRUE(LoadImage(p, "clear"));
}

TEST_F(DemoExtras, GalleryAndMusicRoomFindTheirPictures) {
  global.Unlocked.Add("ev01");
  {
    TCGlib gallery;
    EXPECT_EQ(gallery.FPicture.Width(), 800);
    for (TFlatBtn* b :
         {gallery.MenuButton.get(), gallery.BackButton.get(), gallery.NextButton.get()})
      ExpectAllLooks(*b);
    EXPECT_GT(gallery.Slots[0]->FPicture.Width(), 0);
  }
  TSoundlib room;
  EXPECT_EQ(room.FPicture.Width(), 800);
  ExpectAllLooks(*room.ReturnButton);
  ExpectAllLooks(*room.Marker);
  for (const auto& b : room.TrackButtons) ExpectAllLooks(*b);
}

}  // namespace
}  // namespace vantel::testing

#include "graphics/PictureNotice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "scenes/Class_CGlib.h"
#include "scenes/Class_LOGO.h"
#include "scenes/Class_MsLog.h"
#include "scenes/Class_Scroll.h"
#include "scenes/Class_Sound.h"
#include "shell/Class_Title.h"
#include "support/ImageFixtures.h"
#include "support/SceneFixtures.h"

namespace vantel {
namespace {

constexpr int32_t kTick = 100;

class PictureNoticeTest : public testing::SceneFixture {
 protected:
  // A PNG whose header is sound and whose image data is no zlib stream.
  void AddDamaged(const Bytes& name) {
    images.Add(LowerCase(name) + ".png", testing::PngSignature() + testing::Ihdr(100, 40, 8, 2) +
                                             testing::PngChunk("IDAT", "not a zlib stream at all") +
                                             testing::PngChunk("IEND", ""));
  }
  // The message boxes shown since the last call, as UTF-8.
  std::vector<std::string> NewMessages() {
    std::vector<std::string> out;
    for (; seen_ < platform.Messages().size(); ++seen_)
      out.push_back(ToUtf8(platform.Messages()[seen_].text, CodePage::GBK));
    return out;
  }
  static bool IsBlack(const Tflat& scene) {
    const Picture& p = scene.FPicture;
    return p.Width() == 800 && p.Height() == 600 && p.Pixel(400, 300)[0] == 0 &&
           p.Pixel(400, 300)[1] == 0 && p.Pixel(400, 300)[2] == 0;
  }
  size_t seen_ = 0;
};

// Each menu scene is built over a damaged background and damaged button
// looks: none of them may end the player. The scene is drawn black with the
// sound buttons, the reader gets one box naming the first damaged picture,
// and the debugger's log gets every one.
TEST_F(PictureNoticeTest, DamagedMenuPicturesAreReportedOnceAndTheSceneGoesOn) {
  for (const char* name : {"game_menu", "title_load_over", "cg_library", "CG_next_01",
                           "sound_LIBRARY", "sonun_03", "playback_n01", "clear"})
    AddDamaged(name);
  AddDamaged(Tlogo::FrameName(0));
  AddDamaged(Tscroll::CreditNames()[0]);
  AddPicture("title_load_out", 100, 30, 0xFFFFFF);
  AddPicture("CG_menu_01", 100, 40, 0x808080);
  OpenImages();
  global.Unlocked.Clear();

  int logged = global.PendingLog.Count();
  {
    TTitle title;
    const auto shown = NewMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("game_menu"), std::string::npos) << shown[0];
    // One language for the reader; why the picture failed is in the log.
    EXPECT_EQ(shown[0].find("PNG"), std::string::npos) << shown[0];
    EXPECT_NE(global.PendingLog.Text().find("PNG"), std::string::npos);
    EXPECT_TRUE(IsBlack(title));
    EXPECT_EQ(global.PendingLog.Count(), logged + 2);
    EXPECT_EQ(title.LoadButton->PictureAt(title.LoadButton->FCount - 2).Width(), 0);
    EXPECT_EQ(title.LoadButton->PictureAt(title.LoadButton->FCount - 1).Width(), 100);
    title.Compose();  // draws what is there
  }
  {
    logged = global.PendingLog.Count();
    TCGlib gallery;
    EXPECT_EQ(NewMessages().size(), 1u);
    EXPECT_TRUE(IsBlack(gallery));
    EXPECT_EQ(gallery.NextButton->PictureAt(0).Width(), 0);
    EXPECT_EQ(gallery.MenuButton->PictureAt(0).Width(), 100);
    EXPECT_EQ(global.PendingLog.Count(), logged + 2);
  }
  {
    TSoundlib room;
    EXPECT_EQ(NewMessages().size(), 1u);
    EXPECT_TRUE(IsBlack(room));
  }
  {
    TmsLog log;
    EXPECT_EQ(NewMessages().size(), 1u);
  }
  {
    // A damaged logo frame is tried on every tick; the reader hears once.
    Tlogo logo;
    for (int i = 0; i < 6; ++i) logo.Signal(kTick, 0, 0);
    EXPECT_EQ(NewMessages().size(), 1u);
  }
  {
    // A damaged credit line is 0 pixels high; a damaged closing picture
    // ends the scroll on black, still waiting for the click.
    Tscroll scroll(nullptr);
    for (int n = 0; n < 5000 && scroll.FState == 0; ++n) scroll.Signal(kTick, 0, 0);
    EXPECT_EQ(scroll.FState, 1);
    EXPECT_EQ(scroll.FLines[0]->FPicture.Height(), 0);
    EXPECT_TRUE(IsBlack(scroll));
    EXPECT_EQ(NewMessages().size(), 1u);
  }
}

}  // namespace
}  // namespace vantel

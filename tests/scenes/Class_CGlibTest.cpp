#include "scenes/Class_CGlib.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "shell/ClassMain.h"
#include "support/ImageFixtures.h"
#include "support/SceneFixtures.h"

namespace vantel {
namespace {

constexpr int32_t kMove = 31, kClick = 40, kPress = 41, kTick = 100;

Bytes Entry(int n) {
  char name[16];
  std::snprintf(name, sizeof name, "ev%02d", n);
  return name;
}

// A gallery world: the background, the three buttons (100 x 40) and 25
// pictures with 100 x 75 thumbnails, thumbnail n coloured n.
class GalleryTest : public testing::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    AddPicture("cg_library", 800, 600, 0x404040);
    for (const char* stem : {"CG_menu", "CG_back", "CG_next"})
      for (const char* look : {"_01", "_02", "_03"})
        AddPicture(Bytes(stem) + look, 100, 40, 0x808080);
    for (int n = 0; n < 25; ++n) {
      AddPicture(Entry(n), 800, 600, 0x010000 * n);
      AddPicture(Entry(n) + "_s", 100, 75, Colour(n + 1));
    }
    AddPicture("plain", 800, 600, 0x00FF00);  // no thumbnail: never listed
    OpenImages();
    AddSound("m03");
    AddSound(Sjis("SE_01_スロット差込"));
  }
  void TearDown() override {
    gallery_.reset();
    for (int n = 1; n <= 8; ++n) RegisterScene(n, nullptr);
    SceneFixture::TearDown();
  }
  void Unlock(int count) {
    for (int n = 0; n < count; ++n) global.Unlocked.Add(Entry(n));
  }
  TCGlib& Make() {
    gallery_ = std::make_unique<TCGlib>();
    return *gallery_;
  }
  void Click(int32_t x, int32_t y) {
    gallery_->Signal(kMove, x, y);
    gallery_->Signal(kPress, x, y);
    gallery_->Signal(kClick, x, y);
  }
  void ClickSlot(int k) { Click(TCGlib::SlotLeft(k) + 50, TCGlib::SlotTop(k) + 30); }
  void ClickButton(const TFlatBtn& b) { Click(b.FLeft + 50, b.FTop + 20); }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) gallery_->Signal(kTick, 0, 0);
  }
  // The thumbnail colour a slot shows, or -1 when it shows nothing.
  static int Shown(const Tflat& slot) {
    if (!slot.FVisible || slot.FPicture.Width() == 0) return -1;
    return slot.FPicture.Pixel(1, 1)[2];  // red byte: the entry number + 1
  }

  std::unique_ptr<TCGlib> gallery_;
};

TEST_F(GalleryTest, PagesHoldTwentyThumbnailsDownTheColumns) {
  Unlock(21);
  TCGlib& g = Make();
  EXPECT_EQ(g.LastPage, 1);
  EXPECT_FALSE(g.BackButton->FVisible);
  EXPECT_TRUE(g.NextButton->FVisible);
  EXPECT_TRUE(g.MenuButton->FVisible);
  for (int k = 0; k < 20; ++k) EXPECT_EQ(Shown(*g.Slots[size_t(k)]), k + 1) << k;
  // Entry 5 stands in the second column, second row.
  EXPECT_EQ(g.Slots[5]->FLeft, 240);
  EXPECT_EQ(g.Slots[5]->FTop, 175);

  ClickButton(*g.NextButton);
  EXPECT_EQ(g.Page, 1);
  EXPECT_FALSE(g.NextButton->FClicked);
  EXPECT_EQ(Shown(*g.Slots[0]), 21);  // the 21st entry, top left
  for (int k = 1; k < 20; ++k) {
    EXPECT_EQ(Shown(*g.Slots[size_t(k)]), -1) << k;
    EXPECT_FALSE(g.Slots[size_t(k)]->FActive) << k;
  }
  EXPECT_TRUE(g.BackButton->FVisible);
  EXPECT_FALSE(g.NextButton->FVisible);
  EXPECT_LT(g.FProgress, 256);  // the mesh runs

  // A hidden slot cannot be clicked; a click on the hidden next button does nothing.
  ClickSlot(7);
  EXPECT_EQ(g.FState, TCGlib::kBrowsing);
  Tick(11);
  ClickButton(*g.NextButton);
  EXPECT_EQ(g.Page, 1);

  ClickButton(*g.BackButton);
  EXPECT_EQ(g.Page, 0);
  EXPECT_EQ(Shown(*g.Slots[19]), 20);
  EXPECT_FALSE(g.BackButton->FVisible);
}

TEST_F(GalleryTest, PageCountsAtTheEdges) {
  {
    TCGlib& g = Make();  // nothing unlocked: only the menu button
    EXPECT_EQ(g.LastPage, 0);
    EXPECT_FALSE(g.BackButton->FVisible);
    EXPECT_FALSE(g.NextButton->FVisible);
    EXPECT_TRUE(g.MenuButton->FVisible);
    for (const auto& slot : g.Slots) EXPECT_FALSE(slot->FVisible);
  }
  Unlock(20);
  TCGlib& g = Make();  // exactly one full page
  EXPECT_EQ(g.LastPage, 0);
  EXPECT_FALSE(g.NextButton->FVisible);
  EXPECT_EQ(Shown(*g.Slots[19]), 20);
}

TEST_F(GalleryTest, OnlyPicturesWithThumbnailsThatWereShownAreListed) {
  Picture p;
  LoadImage(p, "plain");
  LoadImage(p, "ev03");
  LoadImage(p, "EV03");  // listed once
  LoadImage(p, "ev01");
  TCGlib& g = Make();
  EXPECT_EQ(g.EntryCount, 2);
  EXPECT_EQ(Shown(*g.Slots[0]), 4);
  EXPECT_EQ(Shown(*g.Slots[1]), 2);
  EXPECT_EQ(Shown(*g.Slots[2]), -1);
  EXPECT_EQ(global.Unlocked.Count(), 2);  // the gallery's own loads add nothing
}

TEST_F(GalleryTest, AThumbnailOpensItsPictureUntilAClickAfterTheFade) {
  Unlock(8);
  TCGlib& g = Make();
  // Hovering dims a thumbnail; leaving it restores it.
  g.Signal(kMove, TCGlib::SlotLeft(5) + 10, TCGlib::SlotTop(5) + 10);
  EXPECT_EQ(g.Slots[5]->FOpacity, 100);
  EXPECT_EQ(g.Slots[4]->FOpacity, 255);
  g.Signal(kMove, 5, 5);
  EXPECT_EQ(g.Slots[5]->FOpacity, 255);

  ClickSlot(5);
  EXPECT_EQ(g.FState, TCGlib::kPicture);
  EXPECT_EQ(g.FPictureName, Entry(5));
  EXPECT_EQ(g.FPicture.Pixel(0, 0)[2], 0);
  EXPECT_EQ(g.FPicture.Pixel(0, 0)[0], 5);
  for (const auto& slot : g.Slots) EXPECT_FALSE(slot->FVisible);
  EXPECT_FALSE(g.MenuButton->FVisible);

  g.Signal(kClick, 400, 300);  // during the fade: ignored
  EXPECT_EQ(g.FState, TCGlib::kPicture);
  Tick(10);
  g.Signal(kClick, 400, 300);
  EXPECT_EQ(g.FState, TCGlib::kReturning);
  EXPECT_EQ(g.FPictureName, "cg_library");
  EXPECT_TRUE(g.MenuButton->FVisible);
  EXPECT_EQ(Shown(*g.Slots[7]), 8);

  // A thumbnail clicked while the page fades back in is not opened later.
  ClickSlot(2);
  Tick(10);
  EXPECT_EQ(g.FState, TCGlib::kBrowsing);
  Tick();
  EXPECT_EQ(g.FState, TCGlib::kBrowsing);
  ClickSlot(2);
  EXPECT_EQ(g.FPictureName, Entry(2));
}

TEST_F(GalleryTest, DamagedPicturesAreLeftOutAndReportedOnce) {
  // Entries 3 and 21 (pages 1 and 2) have damaged thumbnails, entry 4 a
  // damaged full picture: their image data is no zlib stream.
  const std::string damaged = testing::PngSignature() + testing::Ihdr(100, 75, 8, 2) +
                              testing::PngChunk("IDAT", "not a zlib stream at all") +
                              testing::PngChunk("IEND", "");
  FreeArchives();
  for (const char* name : {"bad03_s", "bad21_s", "bad04"})
    images.Add(Bytes(name) + ".png", damaged);
  AddPicture("bad03", 800, 600, 0x030000);
  AddPicture("bad21", 800, 600, 0x150000);
  AddPicture("bad04_s", 100, 75, Colour(5));
  OpenImages();
  Unlock(25);
  global.Unlocked.SetString(3, "bad03");
  global.Unlocked.SetString(4, "bad04");
  global.Unlocked.SetString(21, "bad21");
  TCGlib& g = Make();
  EXPECT_EQ(Shown(*g.Slots[3]), -1);
  EXPECT_FALSE(g.Slots[3]->FActive);
  EXPECT_EQ(Shown(*g.Slots[2]), 3);
  EXPECT_EQ(Shown(*g.Slots[19]), 20);
  ASSERT_EQ(platform.Messages().size(), 1u);
  EXPECT_NE(ToUtf8(platform.Messages()[0].text, CodePage::GBK).find("bad03"), std::string::npos);

  // Later failures go to the log only; turning back shows no stale thumbnail.
  const int logged = global.PendingLog.Count();
  ClickButton(*g.NextButton);
  EXPECT_EQ(Shown(*g.Slots[1]), -1);
  EXPECT_EQ(Shown(*g.Slots[0]), 21);
  Tick(10);
  ClickButton(*g.BackButton);
  Tick(10);
  EXPECT_EQ(Shown(*g.Slots[3]), -1);
  EXPECT_EQ(Shown(*g.Slots[4]), 5);
  EXPECT_EQ(platform.Messages().size(), 1u);
  EXPECT_GT(global.PendingLog.Count(), logged);

  // A damaged full picture keeps the page up; the next thumbnail still opens.
  ClickSlot(4);
  EXPECT_EQ(g.FState, TCGlib::kBrowsing);
  EXPECT_EQ(g.FPictureName, "cg_library");
  EXPECT_EQ(g.FPicture.Pixel(0, 0)[0], 0x40);
  EXPECT_TRUE(g.MenuButton->FVisible);
  EXPECT_EQ(Shown(*g.Slots[5]), 6);
  ClickSlot(5);
  EXPECT_EQ(g.FState, TCGlib::kPicture);
  EXPECT_EQ(g.FPictureName, Entry(5));
  EXPECT_EQ(platform.Messages().size(), 1u);
}

TEST_F(GalleryTest, TitleMusicPlaysWhileOpenAndTheMenuButtonLeaves) {
  Unlock(3);
  TCGlib& g = Make();
  EXPECT_EQ(Mixed(0), "m03.wav");
  ClickButton(*g.MenuButton);
  EXPECT_EQ(global.NextScene, kSceneTitle);
  EXPECT_FALSE(g.MenuButton->FClicked);
  EXPECT_EQ(Mixed(1), SoundCommandName(Sjis("SE_01_スロット差込")));
  gallery_.reset();
  EXPECT_EQ(Mixed(0, 60), "");  // faded out
}

}  // namespace
}  // namespace vantel

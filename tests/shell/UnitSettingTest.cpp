#include "shell/UnitSetting.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/headless/HeadlessPlatform.h"
#include "shell/ClassGlobal.h"

namespace vantel {
namespace {

class FormSettingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&platform);
    Global = &global;
    global.MessageStep = 50;
    global.Volume1 = 200;
    global.Volume2 = 180;
  }
  void TearDown() override {
    Global = nullptr;
    SetPlatform(nullptr);
  }
  TFormSetting::VolumePoster Poster() {
    return [this](int source, int32_t volume) { posted.push_back({source, volume}); };
  }
  const DialogControl& Control(const TFormSetting& form, int id) {
    static std::vector<DialogControl> controls;
    controls = form.Controls();
    for (const auto& c : controls)
      if (c.id == id) return c;
    ADD_FAILURE() << "no control " << id;
    return controls.front();
  }

  HeadlessPlatform platform;
  Tglobal global;
  std::vector<std::pair<int, int32_t>> posted;
};

TEST_F(FormSettingTest, BarsPlayLiveAndOnlyOkStores) {
  TFormSetting form(Poster());
  // Opening sends the bars' volumes once, music first.
  EXPECT_EQ(posted, (std::vector<std::pair<int, int32_t>>{{0, 200}, {1, 180}}));
  EXPECT_EQ(form.Label12, "50");
  posted.clear();
  form.ValueChanged(TFormSetting::kScrollBar1, 0);  // music silenced at once
  EXPECT_EQ(posted, (std::vector<std::pair<int, int32_t>>{{0, 0}, {1, 180}}));
  form.ValueChanged(TFormSetting::kScrollBar0, 300);
  EXPECT_EQ(form.Label12, "255");
  posted.clear();
  form.Click(TFormSetting::kButton2);  // cancel: stored volumes back, nothing stored
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(posted, (std::vector<std::pair<int, int32_t>>{{0, 200}, {1, 180}}));
  EXPECT_EQ(global.MessageStep, 50);
  form.CloseBox();  // a second close sends nothing more
  EXPECT_EQ(posted.size(), 2u);

  TFormSetting ok(Poster());
  ok.ValueChanged(TFormSetting::kScrollBar2, 90);
  ok.ValueChanged(TFormSetting::kCheckBox7, 1);
  posted.clear();
  ok.KeyDown('\t', 0);  // tab order on the first page: speed bar, the two options...
  EXPECT_EQ(ok.Focus(), TFormSetting::kCheckBox6);
  ok.KeyDown(' ', 0);  // Space flips the focused check box
  ok.Click(TFormSetting::kButton1);
  EXPECT_TRUE(global.AutoScreen);
  EXPECT_TRUE(global.BackGround);
  EXPECT_EQ(global.Volume2, 90);
  EXPECT_EQ(posted, (std::vector<std::pair<int, int32_t>>{{0, 200}, {1, 90}}));
}

TEST_F(FormSettingTest, StoredValuesOutsideTheBarsAndTheWebLink) {
  global.MessageStep = 999;
  global.Volume1 = -5;
  TFormSetting form(Poster());
  EXPECT_EQ(form.ScrollBar0, 255);
  EXPECT_EQ(form.ScrollBar1, 0);
  EXPECT_FALSE(Control(form, TFormSetting::kButton3).visible);  // not cleared yet
  form.Click(TFormSetting::kButton3);
  EXPECT_TRUE(platform.openedUrls_.empty());
  posted.clear();
  form.CloseBox();
  EXPECT_EQ(posted[0], std::make_pair(0, -5));  // the stored volume, as it was

  global.Clear = true;
  TFormSetting cleared(Poster());
  EXPECT_TRUE(Control(cleared, TFormSetting::kButton3).visible);
  cleared.Click(TFormSetting::kButton1);
  EXPECT_EQ(global.MessageStep, 255);
  // Ctrl+Tab turns to the version page, whose only control is the link.
  TFormSetting link(Poster());
  link.KeyDown('\t', kCtrl);
  link.KeyDown('\t', kCtrl);
  EXPECT_EQ(link.Page(), 2);
  EXPECT_EQ(link.Focus(), TFormSetting::kButton3);
  link.KeyDown(13, 0);
  EXPECT_EQ(platform.openedUrls_, std::vector<std::string>{TFormSetting::kWebLink});
}

}  // namespace
}  // namespace vantel

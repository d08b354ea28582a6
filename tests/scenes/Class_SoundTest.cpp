#include "scenes/Class_Sound.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "shell/ClassMain.h"
#include "support/SceneFixtures.h"

namespace vantel {
namespace {

constexpr int32_t kMove = 31, kClick = 40, kPress = 41, kTick = 100;

// The music room with every picture present (track titles 120 x 20, the
// return button 100 x 40) and each track a short wave of two buffers.
class MusicRoomTest : public testing::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    AddPicture("sound_LIBRARY", 800, 600, 0x101010);
    for (const char* look : {"sonun_01", "sonun_02", "sonun_03"})
      AddPicture(look, 100, 40, 0x808080);
    for (int n = 1; n <= 10; ++n) {
      char name[16];
      std::snprintf(name, sizeof name, "option_%02d", n);
      AddPicture(name, 16, 16, 0xFFFFFF);
    }
    for (const Bytes& stem : TSoundlib::TrackStems())
      for (const char* look : {"_01", "_02", "_03"})
        AddPicture("sound_" + stem + look, 120, 20, 0x202020);
    OpenImages();
    for (const Bytes& stem : TSoundlib::TrackStems())
      dir.Write("sound/" + stem + ".wav",
                testing::PcmWave(2, 44100, std::vector<int16_t>(2000, 0)));
    AddSound(Sjis("SE_01_スロット差込"));
  }
  void TearDown() override {
    room_.reset();
    for (int n = 1; n <= 8; ++n) RegisterScene(n, nullptr);
    SceneFixture::TearDown();
  }
  TSoundlib& Make() {
    room_ = std::make_unique<TSoundlib>();
    return *room_;
  }
  void Click(int32_t x, int32_t y) {
    room_->Signal(kMove, x, y);
    room_->Signal(kPress, x, y);
    room_->Signal(kClick, x, y);
  }
  void ClickTrack(int i) { Click(260, TSoundlib::TrackTop(i) + 10); }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) room_->Signal(kTick, 0, 0);
  }
  // Lets source 0 play its track to the end; the track's name.
  Bytes PlayOut() {
    const Bytes name = Mixed(0);
    EXPECT_EQ(Mixed(0, 3), "") << "the track did not end";
    return name;
  }

  std::unique_ptr<TSoundlib> room_;
};

TEST_F(MusicRoomTest, OpeningPlaysNothingAndWaitsForAClick) {
  TSoundlib& r = Make();
  EXPECT_EQ(r.CurrentTrack, -1);
  EXPECT_FALSE(r.Marker->FVisible);
  EXPECT_FALSE(r.Marker->FEnabled);
  Tick(50);  // source 0 is silent all along: still nothing is started
  EXPECT_EQ(Mixed(0), "");
  EXPECT_EQ(r.CurrentTrack, -1);
}

TEST_F(MusicRoomTest, PlaysTheTracksInTurnRoundTheList) {
  TSoundlib& r = Make();
  ClickTrack(0);
  EXPECT_EQ(Mixed(1), SoundCommandName(Sjis("SE_01_スロット差込")));
  EXPECT_EQ(r.Marker->FTop, TSoundlib::TrackTop(0) + 2);
  EXPECT_TRUE(r.Marker->FVisible);
  const char* order[] = {"m05",  "m04", "m06", "m01", "m07", "m02", "m10", "m03",
                         "m08b", "m09", "m11", "m12", "m13", "uta", "m05"};
  for (int i = 0; i < 15; ++i) {
    ASSERT_EQ(PlayOut(), Bytes(order[i]) + ".wav") << i;
    EXPECT_EQ(r.CurrentTrack, i % 14);
    // The end is noticed on every tenth message after a start: a click
    // leaves the count at 2, an automatic start at 1.
    Tick(i == 0 ? 7 : 8);
    EXPECT_EQ(r.CurrentTrack, i % 14);
    Tick(1);
    EXPECT_EQ(r.CurrentTrack, (i + 1) % 14);
    EXPECT_EQ(r.Marker->FTop, TSoundlib::TrackTop((i + 1) % 14) + 2);
  }
}

TEST_F(MusicRoomTest, AClickRestartsATrackAndTheReturnButtonLeaves) {
  dir.Write("sound/m12.wav", testing::PcmWave(2, 44100, std::vector<int16_t>(200000, 0)));
  TSoundlib& r = Make();
  ClickTrack(11);
  EXPECT_EQ(Mixed(0, 20), "m12.wav");
  const int32_t left = GetSoundRemaining(0);
  ClickTrack(11);
  EXPECT_EQ(Mixed(0), "m12.wav");
  EXPECT_GT(GetSoundRemaining(0), left);  // from the beginning again
  EXPECT_EQ(r.CurrentTrack, 11);
  Tick(30);  // still playing: no advance
  EXPECT_EQ(r.CurrentTrack, 11);

  Click(660, 560);
  EXPECT_EQ(global.NextScene, kSceneTitle);
  EXPECT_FALSE(r.ReturnButton->FClicked);
  EXPECT_EQ(Mixed(1), SoundCommandName(Sjis("SE_01_スロット差込")));
  room_.reset();
  EXPECT_EQ(Mixed(0, 60), "");  // faded out with the scene
}

}  // namespace
}  // namespace vantel

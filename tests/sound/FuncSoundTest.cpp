#include "sound/FuncSound.h"

#include <gtest/gtest.h>

#include "platform/headless/HeadlessAudio.h"
#include "platform/headless/HeadlessPlatform.h"
#include "sound/ClassSound.h"
#include "sound/ClassSoundSrc.h"
#include "support/SoundFixtures.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

using testing::PcmWave;
using testing::TempDir;

TEST(SoundHelpers, CommandNamesAreLowerCaseWaveNames) {
  EXPECT_EQ(SoundCommandName("M03"), "m03.wav");
  EXPECT_EQ(SoundCommandName("Track.MP3"), "track.wav");  // no longer the MPEG file
  EXPECT_EQ(SoundCommandName("a.b.ogg"), "a.b.wav");
  EXPECT_EQ(SoundCommandName(""), ".wav");  // what stop, fade and volume carry
  EXPECT_EQ(SoundCommandName("dir.x\\Name"), "dir.x\\name.wav");
  // Double-byte characters stay as they are, trail bytes that look like
  // letters included; only the ASCII letters fold.
  EXPECT_EQ(SoundCommandName(Sjis("ゼルトロゴノイズSound")), Sjis("ゼルトロゴノイズsound.wav"));
  EXPECT_EQ(SoundCommandName(Sjis("SE_01_スロット差込")), Sjis("se_01_スロット差込.wav"));
  EXPECT_EQ(SoundNameStem(Sjis("表.wav")), Sjis("表"));
}

TEST(SoundHelpers, WithoutSourcesPostsAreDroppedAndQueriesAnswerQuietly) {
  PostSound(0, kSoundPlay, "m03", 0, 0);
  PostSound(7, kSoundPlay, "m03", 0, 0);
  EXPECT_TRUE(IsSoundPlaying(0));
  EXPECT_EQ(GetSoundState(1), ",0,false,false");
  EXPECT_EQ(GetSoundRemaining(2), 0);
}

TEST(SoundHelpers, FindChunkStopsAtItsIdOrTheEnd) {
  using testing::Le32;
  std::string bytes = "fmt " + Le32(3) + "abc" + "LIST" + Le32(2) + "xy" + "data" + Le32(9) + "123";
  MemoryStream s(bytes);
  bool found = false;
  EXPECT_EQ(FindChunk(s, ChunkId("data"), -1, &found), 9);
  EXPECT_TRUE(found);
  EXPECT_EQ(s.Position(), int64_t(bytes.size()) - 3);
  // No match: the last pair's length; nothing read at all: 0.
  s.Seek(0);
  EXPECT_EQ(FindChunk(s, ChunkId("fact"), -1, &found), 9);
  EXPECT_FALSE(found);
  s.Seek(0);
  EXPECT_EQ(FindChunk(s, ChunkId("data"), 10, &found), 3);  // the limit hides the rest
  EXPECT_FALSE(found);
  MemoryStream empty("abc");
  EXPECT_EQ(FindChunk(empty, ChunkId("data")), 0);
  // A huge length ends the scan instead of wrapping round.
  MemoryStream huge("LIST" + Le32(0xFFFFFFF0) + "data" + Le32(4) + "abcd");
  EXPECT_EQ(FindChunk(huge, ChunkId("data"), -1, &found), int32_t(0xFFFFFFF0));
  EXPECT_FALSE(found);
}

class SoundHelperPosts : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&platform_);
    ResetSoundNotices();
    for (int i = 0; i < 3; ++i) {
      sources_[i] = std::make_unique<TSoundSrc>(nullptr, dir_ / "sound/");
      SoundSources[i] = sources_[i].get();
      sound_.AddSource(sources_[i].get());
    }
    sound_.Enabled = true;
  }
  void TearDown() override {
    sound_.Close();
    for (auto& s : SoundSources) s = nullptr;
    SetPlatform(nullptr);
  }
  TempDir dir_;
  HeadlessPlatform platform_;
  TSound sound_{TSound::RefillMode::Synchronous};
  std::unique_ptr<TSoundSrc> sources_[3];
};

TEST_F(SoundHelperPosts, PlayingStateFollowsTheSourcesFinishedFlag) {
  dir_.Write("sound/uta.wav", PcmWave(1, 44100, std::vector<int16_t>(3000, 20000)));
  sound_.Open(44100, 16, 2);
  HeadlessAudio& device = *platform_.LastAudioDevice();
  // Nothing has played yet, and that counts as playing.
  EXPECT_TRUE(IsSoundPlaying(0));
  EXPECT_EQ(GetSoundState(0), ",0,false,false");

  PostSound(1, kSoundPlay, "UTA", 0, 1);  // capitals: still the song, at full scale
  device.Pull();                          // one mix: the song starts
  EXPECT_EQ(GetSoundState(1), "uta.wav,0,false,true");
  device.PullMany(11);                 // the buffers queued before it
  EXPECT_EQ(GetSoundRemaining(1), 0);  // the whole sound is decoded already
  auto out = device.PullMany(2);
  EXPECT_EQ(out[2 * 1100], 20000 * 253 / 256);
  device.PullMany(12);
  EXPECT_FALSE(IsSoundPlaying(1));
  EXPECT_EQ(GetSoundState(1), ",0,false,true");
  EXPECT_TRUE(IsSoundPlaying(0));

  PostSound(1, kSoundPlay, "uta", 0, 1);
  device.Pull();
  EXPECT_TRUE(IsSoundPlaying(1));
  PostSound(1, kSoundFadeOut, "", 800, 0);
  device.PullMany(12);
  EXPECT_FALSE(IsSoundPlaying(1));
}

TEST_F(SoundHelperPosts, RemainingTimeCountsTheCurrentPassInWholeSeconds) {
  // 200 000 stereo frames: the first block takes 12 500 of them.
  dir_.Write("sound/long.wav", PcmWave(2, 44100, std::vector<int16_t>(400000, 1)));
  sound_.Open(44100, 16, 2);
  PostSound(0, kSoundPlay, "long", 0, 1);
  platform_.LastAudioDevice()->Pull();
  EXPECT_EQ(GetSoundRemaining(0), (800000 - 50000) / 44100 * 1000);
}

TEST_F(SoundHelperPosts, PostsFromTheMainThreadWhileTheRefillThreadMixes) {
  TSound threaded;  // the player's mode, over the same sources
  for (auto& s : sources_) threaded.AddSource(s.get());
  threaded.Enabled = true;
  dir_.Write("sound/a.wav", PcmWave(2, 44100, std::vector<int16_t>(20000, 100)));
  threaded.Open(44100, 16, 2);
  HeadlessAudio& device = *platform_.LastAudioDevice();
  for (int i = 0; i < 200; ++i) {
    PostSound(i % 2, i % 5, "a", 800, i % 3);
    if (i % 4 == 0) {
      ASSERT_TRUE(device.WaitForQueued(1, 5000));
      device.Pull();
    }
    GetSoundState(0);
    IsSoundPlaying(1);
  }
  threaded.Close();
  EXPECT_EQ(device.QueuedCount(), 0u);
}

}  // namespace
}  // namespace vantel

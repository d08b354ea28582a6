#include "shell/Class_Title.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "base/Paths.h"
#include "data/FuncFile.h"
#include "shell/ClassMain.h"
#include "support/SceneFixtures.h"

namespace vantel {
namespace {

constexpr int32_t kMove = 31, kClick = 40, kPress = 41, kTick = 100;

// The headless platform, also recording where message boxes were placed.
struct PlacingPlatform : HeadlessPlatform {
  MessageAnswer ShowMessage(const Bytes& text, const Bytes& caption, MessageKind kind, bool yesNo,
                            CodePage cp, int x, int y) override {
    placed.push_back({x, y});
    return HeadlessPlatform::ShowMessage(text, caption, kind, yesNo, cp, x, y);
  }
  std::vector<std::pair<int, int>> placed;
};

class TitleTest : public testing::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    SetPlatform(&placing_);
    AddPicture("game_menu", 800, 600, 0x202020);
    // Every button picture 100 x 30: frames dark, over grey, pressed white.
    const struct {
      const char* prefix;
      int frames;
    } buttons[] = {{"title_start_", 8},
                   {"title_load_", 7},
                   {"title_cg_", 12},
                   {"title_sound_", 15},
                   {"title_exit_", 7}};
    for (const auto& b : buttons) {
      for (int i = 1; i <= b.frames; ++i) {
        char n[16];
        std::snprintf(n, sizeof n, "%03d", i);
        AddPicture(std::string(b.prefix) + n, 100, 30, 0x000010 * i);
      }
      AddPicture(std::string(b.prefix) + "over", 100, 30, 0x808080);
      AddPicture(std::string(b.prefix) + "out", 100, 30, 0xFFFFFF);
    }
    OpenImages();
    AddSound("m03");
    AddSound(Sjis("SE_01_スロット差込"));
    global.ClientWidth = 800;
    global.ClientHeight = 600;
  }
  void TearDown() override {
    title_.reset();
    SetTitleLoadCommand(nullptr);
    SetPlatform(&platform);
    SceneFixture::TearDown();
  }
  TTitle& Make() {
    title_ = std::make_unique<TTitle>();
    return *title_;
  }
  // Presses and releases the mouse at a point of the title.
  void Click(int32_t x, int32_t y) {
    title_->Signal(kMove, x, y);
    title_->Signal(kPress, x, y);
    title_->Signal(kClick, x, y);
  }
  void WriteBackup(const Bytes& record) { WritePackedFile(global.SaveDir + "backup", record); }

  PlacingPlatform placing_;
  std::unique_ptr<TTitle> title_;
};

TEST_F(TitleTest, ButtonsAskForTheirScenesWithTheClickSound) {
  TTitle& t = Make();
  EXPECT_EQ(t.FTag, "ttl");
  EXPECT_EQ(Mixed(0), "m03.wav");  // the title music
  EXPECT_EQ(t.FPicture.Width(), 800);
  t.Signal(kTick, 0, 0);
  EXPECT_TRUE(placing_.Messages().empty());  // no backup, no question
  EXPECT_EQ(global.NextScene, 0);

  Click(268 + 50, 372 + 15);  // start
  EXPECT_EQ(global.NextScene, kSceneStory);
  EXPECT_EQ(Mixed(1), SoundCommandName(Sjis("SE_01_スロット差込")));
  Click(171 + 50, 455 + 15);  // gallery
  EXPECT_EQ(global.NextScene, kSceneGallery);
  Click(620 + 50, 538 + 15);  // exit
  EXPECT_EQ(global.NextScene, kSceneClosing);
  // A click is acted on once: later messages neither ask again nor replay
  // the sound.
  global.NextScene = 0;
  PostSound(1, kSoundStop, "", 0, 0);
  t.Signal(kMove, 5, 5);
  t.Signal(kTick, 0, 0);
  EXPECT_EQ(global.NextScene, 0);
  EXPECT_EQ(Mixed(1), Bytes());
  // Between the buttons nothing happens.
  Click(5, 5);
  Click(268, 372 + 15);  // the start button's column 0 is outside it
  EXPECT_EQ(global.NextScene, 0);

  // Leaving the title fades its music out.
  title_.reset();
  EXPECT_EQ(Mixed(0, 20), Bytes());
}

TEST_F(TitleTest, MusicRoomOnlyOnceTheStoryIsCompleted) {
  TTitle& t = Make();
  EXPECT_FALSE(t.SoundButton->FVisible);
  t.Signal(kTick, 0, 0);
  Click(268 + 50, 496 + 15);
  EXPECT_EQ(global.NextScene, 0);
  EXPECT_FALSE(t.SoundButton->FClicked);
  t.Signal(kTick, 0, 0);
  t.Compose();  // and it is not drawn
  EXPECT_EQ(t.FComposition.Pixel(268 + 50, 496 + 15)[0], 0x20);

  global.Clear = true;
  TTitle& cleared = Make();
  cleared.Signal(kTick, 0, 0);
  Click(268 + 50, 496 + 15);
  EXPECT_EQ(global.NextScene, kSceneMusicRoom);
}

TEST_F(TitleTest, BackupQuestionNoDeletesTheBackupAndAsksOnce) {
  WriteBackup("a,save,record");
  placing_.QueueAnswer(MessageAnswer::No);
  TTitle& t = Make();
  EXPECT_EQ(placing_.Messages().size(), 0u);  // asked at the first message
  t.Signal(kMove, 1, 1);
  ASSERT_EQ(placing_.Messages().size(), 1u);
  const auto& m = placing_.Messages()[0];
  EXPECT_EQ(ToUtf8(m.text, CodePage::GBK),
            "前回正常に終了しなかった可能性があります。\r\n"
            "バックアップセーブファイルを使ってプレイしますか？");
  EXPECT_TRUE(m.yesNo);
  EXPECT_EQ(m.kind, MessageKind::Information);
  EXPECT_EQ(placing_.placed[0], std::make_pair(250, 250));
  EXPECT_FALSE(FileExists(global.SaveDir + "backup"));
  EXPECT_EQ(global.NextScene, 0);
  EXPECT_TRUE(global.HandOver.empty());
  EXPECT_TRUE(global.Active);
  t.Signal(kTick, 0, 0);
  Make().Signal(kTick, 0, 0);  // a new title finds no backup
  EXPECT_EQ(placing_.Messages().size(), 1u);

  // A question nobody could be shown keeps the backup for the next start.
  WriteBackup("a,save,record");
  placing_.QueueAnswer(MessageAnswer::Unanswered);
  title_.reset();
  Make().Signal(kMove, 1, 1);
  EXPECT_TRUE(FileExists(global.SaveDir + "backup"));
  EXPECT_EQ(global.NextScene, 0);
}

TEST_F(TitleTest, BackupQuestionYesHandsTheRecordToTheStory) {
  WriteBackup("a,save,record");
  placing_.SetScreen(ScreenRect{0, 0, 1024, 768}, DisplayMode{1024, 768, 32, 60});
  global.FullScreen = true;
  global.ClientWidth = 1024;
  global.ClientHeight = 768;
  TTitle& t = Make();
  EXPECT_EQ(t.FLeft, 112);
  EXPECT_EQ(t.FTop, 84);
  t.Signal(kTick, 0, 0);
  EXPECT_EQ(placing_.placed.at(0), std::make_pair(512 + 112 - 150, 384 + 84 - 50));
  EXPECT_EQ(global.HandOver, "a,save,record");
  EXPECT_EQ(global.NextScene, kSceneStory);
  // Kept until the story ends normally: a second crash still offers it.
  EXPECT_TRUE(FileExists(global.SaveDir + "backup"));
}

TEST_F(TitleTest, DamagedBackupIsKeptAsideAndTheTitleStays) {
  // A packed file whose zlib data is cut short.
  WriteBackup(std::string(500, 'x'));
  const std::string packed = ReadWholeFile(global.SaveDir + "backup").value();
  dir.Write("save/backup", packed.substr(0, 12));
  TTitle& t = Make();
  t.Signal(kTick, 0, 0);
  ASSERT_EQ(placing_.Messages().size(), 2u);  // the question, then the notice
  EXPECT_EQ(global.NextScene, 0);
  EXPECT_TRUE(global.HandOver.empty());
  EXPECT_FALSE(FileExists(global.SaveDir + "backup"));
  EXPECT_EQ(ReadWholeFile(global.SaveDir + "backup.damaged").value_or(""), packed.substr(0, 12));
}

TEST_F(TitleTest, LoadButtonRunsTheInstalledLoadCommand) {
  TTitle& t = Make();
  t.Signal(kTick, 0, 0);
  // With no command installed the click changes nothing but the sound.
  Click(391 + 50, 412 + 15);
  EXPECT_EQ(global.NextScene, 0);
  EXPECT_FALSE(t.LoadButton->FClicked);
  EXPECT_EQ(Mixed(1), SoundCommandName(Sjis("SE_01_スロット差込")));

  int runs = 0;
  SetTitleLoadCommand([&] {
    ++runs;
    EXPECT_FALSE(t.FActive);  // no message reaches the buttons meanwhile
    global.HandOver = "opened";
    global.NextScene = kSceneStory;
  });
  Click(391 + 50, 412 + 15);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(t.FActive);
  EXPECT_EQ(global.NextScene, kSceneStory);
  t.Signal(kTick, 0, 0);
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace vantel

// The reader additions on the bundled demo, headless: read marks across a
// play and a restart and the Tab skip that stops at the first unread page,
// quick save and load, thumbnails, self-voicing and the clipboard, and one
// run against a real speech-dispatcher of the test's own.
#include "shell/ReaderAdditions.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "TestPaths.h"
#include "base/Paths.h"
#include "data/ClassSList.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/sdl/SpeechOutput.h"
#include "script/Class_Story.h"
#include "script/PageText.h"
#include "script/ReadMarks.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "shell/PlayerScenes.h"
#include "shell/SaveThumbs.h"
#include "shell/UnitShiori.h"
#include "shell/UnitVantel.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

constexpr int kTab = 9, kF5 = 116, kF9 = 120, kF12 = 123;

class ReaderDemo : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f : {"script.chs", "image.pk2", "sound.pk2"})
      std::filesystem::create_symlink(std::string(VANTEL_GAME_DIR) + "/" + f, dir / f);
    TSlist settings;
    settings.WriteString("", "FullScreen", "FALSE");
    MakeDirectories(dir / "save");
    settings.SaveToPackedFile(dir / "save/inf.dat");
    startDir = std::filesystem::current_path();
    SetPlatform(&platform);
    platform.SetTime(10000);
    RegisterPlayerScenes();
    VantelHooks hooks;
    hooks.saveDialog = ShowSaveDialog;
    hooks.loadDialog = ShowLoadDialog;
    SetVantelHooks(WithStoryHooks(std::move(hooks)));
  }
  void TearDown() override {
    player.reset();
    for (int n = 1; n <= 8; ++n) RegisterScene(n, nullptr);
    SetVantelHooks({});
    std::filesystem::current_path(startDir);
    SetPlatform(nullptr);
  }
  // A new run of the player, through the logo and the title into the story.
  void StartStory() {
    if (player && Story()) {  // the story ends as the reader ends it: no backup is left
      Global->NextScene = kSceneTitle;
      ASSERT_TRUE(RunUntil([] { return Main->SceneNo == kSceneTitle; }, 100));
    }
    player.reset();
    TVantel::Options o;
    o.exeDir = dir.Path();
    o.refill = TSound::RefillMode::Synchronous;
    o.estimateClock = [] { return 1000; };
    player = std::make_unique<TVantel>(o);
    ASSERT_TRUE(player->StartChecks());
    player->Create();
    ASSERT_TRUE(RunUntil([] { return Main->SceneNo == kSceneTitle; }, 2000));
    Global->NextScene = kSceneStory;
    ASSERT_TRUE(RunUntil([&] { return Waiting(); }, 400));
  }
  TStory* Story() {
    return Main && Main->SceneNo == kSceneStory ? dynamic_cast<TStory*>(Main->Scene.get())
                                                : nullptr;
  }
  bool Waiting() { return Story() && Story()->FState == 1 && Story()->FProgress >= 256; }
  template <class Pred>
  bool RunUntil(Pred done, int limit) {
    for (int i = 0; i < limit; ++i) {
      if (done() && Global->NextScene == 0) return true;
      platform.Advance(50);
      player->IdleRound();
    }
    return false;
  }
  void Push(InputEvent::Kind kind, int key = 0, uint32_t shift = 0) {
    InputEvent e;
    e.kind = kind;
    e.key = key;
    e.shift = shift;
    e.x = 400, e.y = 300;
    platform.PushEvent(e);
  }
  void Key(int key, uint32_t shift = 0) {
    Push(InputEvent::Kind::KeyDown, key, shift);
    Push(InputEvent::Kind::KeyUp, key, shift);
    player->IdleRound();
  }
  // Clicks on at every wait (the first click shows the whole page, the next
  // one leaves it) until `pages` pages were left or `done` holds.
  template <class Pred>
  bool ReadOn(Pred done, int pages = 1 << 20) {
    for (int i = 0; i < 40000 && pages > 0; ++i) {
      if (done()) return true;
      if (Waiting() && Story()->FWaitKey) {
        const bool leaves = Story()->FText->FDone;
        Push(InputEvent::Kind::MouseDown);
        Push(InputEvent::Kind::MouseUp);
        if (leaves) --pages;
      }
      platform.Advance(50);
      player->IdleRound();
    }
    return pages == 0 && RunUntil([&] { return Waiting(); }, 400);
  }
  bool InChapter2() { return Waiting() && Story()->FScript->ScriptName == Sjis("脚本2"); }

  HeadlessPlatform platform;
  testing::TempDir dir;
  std::filesystem::path startDir;
  std::unique_ptr<TVantel> player;
};

TEST_F(ReaderDemo, ReadMarksOutliveTheRunAndTabSkipsToTheFirstUnreadPage) {
  StartStory();
  ASSERT_TRUE(ReadOn([&] { return InChapter2(); }));
  const int32_t firstUnread = Story()->FScript->Position;
  const size_t read = Reader->Marks().Count();
  EXPECT_GT(read, 20u);
  EXPECT_FALSE(Reader->Marks().IsRead(Sjis("脚本2"), firstUnread));

  // A restart: the marks come back from read.dat.
  StartStory();
  EXPECT_EQ(Reader->Marks().Count(), read);
  const int32_t first = Story()->FScript->Position;
  Key(kTab);
  ASSERT_TRUE(RunUntil([&] { return InChapter2(); }, 4000)) << "the skip did not reach chapter 2";
  EXPECT_EQ(Story()->FScript->Position, firstUnread);
  RunUntil([] { return false; }, 60);  // and it stays there, for the reader to read
  EXPECT_EQ(Story()->FScript->Position, firstUnread);
  EXPECT_EQ(Story()->FState, 1);

  // Held, the controller's trigger skips too; a click stops a Tab skip.
  StartStory();
  EXPECT_EQ(Story()->FScript->Position, first);
  platform.SetSkipReadHeld(true);
  ASSERT_TRUE(RunUntil([&] { return InChapter2(); }, 4000));
  platform.SetSkipReadHeld(false);
  StartStory();
  Key(kTab);
  Push(InputEvent::Kind::MouseDown);
  RunUntil([] { return false; }, 100);
  EXPECT_EQ(Story()->FScript->ScriptName, Sjis("脚本1"));
}

TEST_F(ReaderDemo, QuickSaveAndLoadComeBackToTheSameFrameWithThumbnails) {
  StartStory();
  ASSERT_TRUE(ReadOn([] { return false; }, 3));
  ASSERT_TRUE(ReadOn([&] { return Story()->FText->FDone; }));
  RunUntil([] { return false; }, 5);
  const Picture frame = platform.Frame();
  Key(kF5);
  EXPECT_TRUE(FileExists(dir / "save/data0"));
  EXPECT_TRUE(FileExists(dir / "save/thumb/data0.png"));
  EXPECT_EQ(platform.Notices().back(), Gbk("已保存 ") + "data0");
  EXPECT_EQ(LatestSave(dir / "save/"), "data0");

  ASSERT_TRUE(ReadOn([] { return false; }, 2));
  Key(kF9);
  EXPECT_EQ(platform.Messages().back().text, Gbk("确定要返回到标题界面吗？  "));
  ASSERT_TRUE(RunUntil([&] { return Waiting() && Story()->FText->FDone; }, 400));
  RunUntil([] { return false; }, 5);
  EXPECT_TRUE(platform.Frame() == frame) << "the quick load does not show the saved page";

  // The load dialog shows the thumbnail; deleting the save deletes it too.
  bool shown = false;
  platform.QueueDialog([&](DialogKind, DialogModel& m) {
    auto& form = dynamic_cast<TFormShiori&>(m);
    const Picture* thumb = form.SidePicture();
    shown = thumb && thumb->Width() == kThumbWidth && thumb->Height() == kThumbHeight;
    EXPECT_EQ(form.Rows[form.CurrentRow].file, "data0");
    form.Click(TFormShiori::kButton3);
  });
  player->PopupSClick();
  EXPECT_TRUE(shown);
  EXPECT_FALSE(FileExists(dir / "save/data0"));
  EXPECT_FALSE(FileExists(dir / "save/thumb/data0.png"));
}

TEST_F(ReaderDemo, VoiceAndClipboardTakeEachPageInOrderWithRubyReadings) {
  StartStory();
  Key('V');
  Key('C', kShift);
  ASSERT_FALSE(platform.Spoken().empty());
  EXPECT_EQ(platform.Spoken()[0], Gbk("自动朗读 开"));
  EXPECT_TRUE(platform.SelfVoicing());
  ASSERT_TRUE(ReadOn([] { return false; }, 2));
  // The second page annotates 潮見町 with its reading.
  const auto& spoken = platform.Spoken();
  const auto& copied = platform.Clipboard();
  ASSERT_EQ(spoken.size(), 3u);
  ASSERT_EQ(copied.size(), 2u);
  EXPECT_EQ(spoken[1], Sjis("七月の終わり。ぼくは三年ぶりに、祖母の住むしおみちょうへ帰ってきた。"));
  EXPECT_EQ(copied[0], Sjis("七月の終わり。ぼくは三年ぶりに、祖母の住む潮見町へ帰ってきた。"));
  EXPECT_EQ(spoken[2], copied[1]);
  EXPECT_EQ(SpokenText(Sjis("a\r\n*br\r\n*r,text,\r\nb\r\n*/r")), "a b");

  // Remembered in the player's own file, not in inf.dat.
  StartStory();
  EXPECT_TRUE(Reader->SelfVoicing() && Reader->ClipboardText() && platform.SelfVoicing());
  const auto ini = ReadWholeFile(dir / "save/vantel.ini");
  ASSERT_TRUE(ini);
  EXPECT_NE(ini->find("[Reader]"), std::string::npos);

  // No speech service: one notice, then the key does nothing more.
  platform.SetSpeechService(false);
  const size_t notices = platform.Notices().size();
  Key('V');
  Key('V');
  EXPECT_EQ(platform.Notices().size(), notices + 1);
  EXPECT_FALSE(Reader->SelfVoicing());

  // F12: a PNG of the picture; a folder that cannot be made is a notice.
  testing::TempDir pictures;
  setenv("XDG_PICTURES_DIR", pictures.Path().c_str(), 1);
  Key(kF12);
  const auto shots = ListDirectory(pictures / "Vantel");
  ASSERT_EQ(shots.size(), 1u);
  EXPECT_EQ(shots[0].substr(shots[0].size() - 4), ".png");
  pictures.Write("blocked", "");
  setenv("XDG_PICTURES_DIR", (pictures / "blocked").c_str(), 1);
  Key(kF12);
  unsetenv("XDG_PICTURES_DIR");
  EXPECT_EQ(platform.Notices().back().substr(0, Gbk("无法保存截图：").size()),
            Gbk("无法保存截图："));
}

TEST(ReadMarks, WritesAreBatchedAndADamagedFileIsSetAside) {
  testing::TempDir dir;
  ReadMarks marks;
  EXPECT_EQ(marks.Load(dir / "read.dat"), "");
  marks.Mark("a", 3);
  EXPECT_TRUE(marks.Flush(1000));
  EXPECT_TRUE(marks.Mark("A", 4));  // script names in any case
  EXPECT_FALSE(marks.Mark("a", 4));
  EXPECT_FALSE(marks.Flush(1500));  // within the second since the last write
  EXPECT_TRUE(marks.Flush(2000));
  ReadMarks again;
  again.Load(dir / "read.dat");
  EXPECT_TRUE(again.IsRead("a", 3) && again.IsRead("a", 4) && !again.IsRead("a", 5));

  dir.Write("read.dat", "not packed at all");
  EXPECT_EQ(again.Load(dir / "read.dat"), "read.dat.damaged");
  EXPECT_EQ(again.Count(), 0u);
  EXPECT_TRUE(FileExists(dir / "read.dat.damaged"));
}

// A private speech-dispatcher with the espeak-ng voice and its sound going to
// ALSA's null device: what the player says must reach it.
TEST(SpeechOutput, TheTextReachesSpeechDispatcher) {
  testing::TempDir dir;
  dir.Write("conf/modules/espeak-ng.conf", "");
  dir.Write("conf/speechd.conf",
            "LogLevel 5\nLogDir \"" + dir.Path() +
                "log\"\nAudioOutputMethod \"alsa\"\nAudioALSADevice \"null\"\n"
                "AddModule \"espeak-ng\" \"sd_espeak-ng\" \"espeak-ng.conf\"\n"
                "DefaultModule espeak-ng\n");
  MakeDirectories(dir / "log");
  const std::string socket = dir / "sock";
  const pid_t server = fork();
  ASSERT_GE(server, 0);
  if (server == 0) {
    execlp("speech-dispatcher", "speech-dispatcher", "-s", "-t", "30", "-C",
           (dir / "conf").c_str(), "-S", socket.c_str(), "-L", (dir / "log").c_str(), "-P",
           (dir / "pid").c_str(), "-m", "/usr/lib/speech-dispatcher-modules", nullptr);
    _exit(127);
  }
  for (int i = 0; i < 400 && !std::filesystem::exists(socket); ++i) usleep(50000);
  ASSERT_TRUE(std::filesystem::exists(socket)) << "speech-dispatcher did not start";
  setenv("SPEECHD_ADDRESS", ("unix_socket:" + socket).c_str(), 1);
  bool heard = false;
  {
    SpeechOutput speech;
    EXPECT_TRUE(speech.Say(ToUtf8(Sjis("祖母の住むしおみちょうへ"))));
    for (int i = 0; i < 200 && !heard; ++i) {
      usleep(50000);
      const auto log = ReadWholeFile(dir / "log/speech-dispatcher.log");
      heard = log && log->find("祖母の住むしおみちょうへ") != std::string::npos;
    }
  }
  unsetenv("SPEECHD_ADDRESS");
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  EXPECT_TRUE(heard) << "the text never reached speech-dispatcher";
}

}  // namespace
}  // namespace vantel

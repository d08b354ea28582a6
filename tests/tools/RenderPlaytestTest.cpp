// vxtool render and playtest against the player itself: a rendered frame is
// the frame the main window shows at that tick, and a play-through finds
// each kind of fault planted in a small game.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "TestPaths.h"
#include "base/Bytes.h"
#include "base/Paths.h"
#include "base/PngWrite.h"
#include "data/ClassSList.h"
#include "platform/headless/HeadlessAudio.h"
#include "platform/headless/HeadlessPlatform.h"
#include "scenes/Class_CGlib.h"
#include "scenes/Class_End.h"
#include "scenes/Class_LOGO.h"
#include "scenes/Class_MsLog.h"
#include "scenes/Class_Scroll.h"
#include "scenes/Class_Sound.h"
#include "script/Class_Story.h"
#include "shell/ClassMain.h"
#include "shell/Class_Title.h"
#include "shell/PlayerScenes.h"
#include "shell/UnitVantel.h"
#include "support/ImageFixtures.h"
#include "support/SoundFixtures.h"
#include "support/TempDir.h"
#include "support/Vxtool.h"

namespace vantel::testing {
namespace {

namespace fs = std::filesystem;

TEST(Render, FramesAreThePlayersFramesAtThoseTicks) {
  const std::string game = VANTEL_GAME_DIR;
  if (!FileExists(game + "/script.chs")) GTEST_SKIP() << "the demo archives are not made";
  TempDir dir;
  // The logo, the title, then a click on the start button and the story.
  dir.Write("input.txt", "# the start button\n150 click 358 390\n170 key enter\n180 wheel -1\n");
  ASSERT_EQ(RunVxtool("render '" + game + "' '" + (dir / "out") +
                      "' --ticks 240 --every 60 --input '" + (dir / "input.txt") + "'"),
            0);

  // The same run in this process: the main window on the headless platform.
  HeadlessPlatform platform;
  SetPlatform(&platform);
  RegisterPlayerScenes();
  SetVantelHooks(WithStoryHooks({}));
  const fs::path startDir = fs::current_path();
  MakeDirectories(dir / "game/save/");
  for (const char* name : {"script.chs", "image.pk2", "sound.pk2"})
    fs::create_symlink(fs::absolute(game + "/" + name), dir / "game/" + name);
  TSlist settings;
  settings.WriteString("", "FullScreen", "FALSE");
  settings.SaveToPackedFile(dir / "game/save/inf.dat");
  platform.SetTime(100000);
  TVantel::Options options;
  options.exeDir = dir / "game";
  options.refill = TSound::RefillMode::Synchronous;
  options.estimateClock = [] { return 1000; };
  {
    TVantel player(options);
    ASSERT_TRUE(player.StartChecks());
    player.Create();
    HeadlessAudio* audio = platform.LastAudioDevice();
    auto push = [&](InputEvent::Kind kind, auto&& set) {
      InputEvent e;
      e.kind = kind;
      set(e);
      platform.PushEvent(e);
    };
    int compared = 0;
    for (int t = 1; t <= 240; ++t) {
      if (t == 150) {
        for (auto kind :
             {InputEvent::Kind::MouseMove, InputEvent::Kind::MouseDown, InputEvent::Kind::MouseUp})
          push(kind, [](InputEvent& e) { e.x = 358, e.y = 390; });
      } else if (t == 170) {
        for (auto kind : {InputEvent::Kind::KeyDown, InputEvent::Kind::KeyUp})
          push(kind, [](InputEvent& e) { e.key = 13; });
      } else if (t == 180) {
        push(InputEvent::Kind::Wheel, [](InputEvent& e) { e.wheel = -1; });
      }
      player.IdleRound();
      if (audio && audio->QueuedCount() > 0) audio->Pull();
      if (t % 60 == 0) {
        char name[32];
        std::snprintf(name, sizeof name, "out/frame-%06d.png", t);
        const auto png = ReadWholeFile(dir / name);
        ASSERT_TRUE(png) << name;
        EXPECT_TRUE(LibpngDecode(*png) == platform.Frame()) << name << " differs from the player's";
        ++compared;
      }
    }
    EXPECT_EQ(compared, 4);
    EXPECT_FALSE(FileExists(dir / "out/frame-000061.png"));
    EXPECT_EQ(Main->SceneNo, kSceneStory) << "the click did not start the story";
  }
  SetVantelHooks({});
  fs::current_path(startDir);
  SetPlatform(nullptr);

  // Bad input is refused with the line it is on, before anything runs.
  dir.Write("bad.txt", "10 click\n12 jump\n");
  EXPECT_EQ(RunVxtool("render '" + game + "' '" + (dir / "out2") + "' --input '" +
                          (dir / "bad.txt") + "'",
                      "/dev/null", dir / "err.txt"),
            1);
  EXPECT_NE(ReadWholeFile(dir / "err.txt").value_or("").find("bad.txt:2:"), std::string::npos);
  // A label is compared as a jump compares it: written in capitals it is not found.
  EXPECT_EQ(
      RunVxtool("render '" + game + "' '" + (dir / "out3") + "' --ticks 1 --from '脚本3#OWARI'",
                "/dev/null", dir / "err.txt"),
      1);
  EXPECT_NE(ReadWholeFile(dir / "err.txt").value_or("").find("no label OWARI in 脚本3"),
            std::string::npos);
  EXPECT_EQ(
      RunVxtool("render '" + game + "' '" + (dir / "out3") + "' --ticks 1 --from '脚本3#owari'"),
      0);

  // A relative OUTDIR is where the author gave it, even when the game has a
  // folder of that name: the game folder is never written.
  MakeDirectories(dir / "game/image/");
  fs::current_path(dir.Path());
  EXPECT_EQ(RunVxtool("render game image --ticks 2"), 0);
  fs::current_path(startDir);
  EXPECT_TRUE(FileExists(dir / "image/frame-000002.png"));
  EXPECT_TRUE(ListDirectory(dir / "game/image").empty());
}

TEST(Playtest, FindsEachKindOfPlantedFaultWithItsLine) {
  TempDir dir;
  // A game of loose files; its script is UTF-8 with LF line ends.
  dir.Write("game/script/脚本1.vxs",
            "<!>\n"
            "<background src=bg>\n"
            "<wipe time=1>\n"
            "こんにちは<k>\n"
            "<layer num=3 src=nopic>\n"   // 5: a picture the data lacks
            "<layer num=2 src=broken>\n"  // 6: a picture that cannot be decoded
            "<se src=nosound mode=on>\n"  // 7: a sound the data lacks
            "<foo>\n"                     // 8: a command that does not exist
            "<a href=\"#nowhere\">\n"     // 9: a label that does not exist
            "<a href=\"#past\">\n"        // 10
            "<a href=\"nothere\">\n"      // 11: a script that does not exist
            "<marker name=past>\n"
            "<bgm src=broken mode=on>\n"  // 13: a sound that cannot be decoded
            "おわり<k>\n"
            "<scroll>\n");
  dir.Write("game/image/bg.png", EncodePng(Picture(800, 600, Picture::Format::BGR24, 0x336699)));
  dir.Write("game/image/broken.png", "\x89PNG\r\n\x1a\nthis is no picture");
  dir.Write("game/sound/broken.wav", "RIFF????WAVEjunkjunkjunk");
  dir.Write("game/sound/other.wav", PcmWave(2, 44100, std::vector<int16_t>(4410, 0)));
  const std::string out = dir / "out.txt";
  ASSERT_EQ(RunVxtool("playtest '" + (dir / "game") + "' --from 脚本1 --ticks 3000", out,
                      dir / "err.txt"),
            1);
  const std::string found = ReadWholeFile(out).value_or("");
  for (const char* expected :
       {"脚本1.vxs:5: no picture \"nopic\"", "脚本1.vxs:6: ", "脚本1.vxs:7: no sound nosound",
        "脚本1.vxs:8: 不明なコマンド<*foo>", "脚本1.vxs:9: no label \"nowhere\"",
        "脚本1.vxs:11: jump to the script \"nothere\"", ": サウンドbroken.wav: "})
    EXPECT_NE(found.find(expected), std::string::npos) << expected << " not in:\n" << found;
  const std::string summary = ReadWholeFile(dir / "err.txt").value_or("");
  EXPECT_NE(summary.find("reached the credits"), std::string::npos) << summary;
  EXPECT_NE(summary.find("脚本1.vxs: 2 pages"), std::string::npos) << summary;
  EXPECT_NE(summary.find("peak memory"), std::string::npos) << summary;
  // The game folder is only read.
  EXPECT_FALSE(fs::exists(dir / "game/save"));

  // The same game fixed plays clean, twice in one process.
  dir.Write("game/script/脚本1.vxs", "<!>\n<background src=bg>\nこんにちは<k>\n<scroll>\n");
  ASSERT_EQ(
      RunVxtool("playtest '" + (dir / "game") + "' --from 脚本1 --repeat 2", out, dir / "err.txt"),
      0)
      << ReadWholeFile(out).value_or("") << ReadWholeFile(dir / "err.txt").value_or("");
  EXPECT_NE(ReadWholeFile(dir / "err.txt").value_or("").find("memory grew by"), std::string::npos);
}

}  // namespace
}  // namespace vantel::testing
